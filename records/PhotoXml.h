#pragma once

#include <optional>
#include <string>

#include "platform/PlainName.h"

class CFotoSet;

namespace bx::records {

// The "Foto" document of a photo row: one element per column but ID, in the table's
// order, each with a single attribute "Value". SATURATION is always the stored form
// (+1000 with auto-levels), so that reading the file back keeps auto-levels.
// oneLine: no line breaks at all (control characters become references).
std::string PhotoXmlText(const CFotoSet& row, bool oneLine = false);
// Reads the elements present into the row's members; false when the text is not a
// "Foto" document or a number in it does not read.
bool ReadPhotoXml(const std::string& text, CFotoSet& row);

// Reads the layout columns present (POSIZIONE to PAGE, but EVENTO) from a photo or
// layout document, whatever its root; a layout file's plain SATURATION with its
// AUTOLEVELS flag becomes the stored form. False when the text does not parse or a
// number in it does not read.
bool ReadLayoutXml(const std::string& text, CFotoSet& row);

// Names read from the database or a file pass this first; the image tree's
// operator folders follow the same rule.
using bx::IsPlainName;
// "<root>/images/<operator>/<film>/data/<file>.xml"; nothing when the operator or the
// file is not a plain name.
std::optional<std::string> PhotoXmlPath(const std::string& imageRoot, const std::string& operatorName,
                                        int film, const std::string& fileName);
}  // namespace bx::records
