#pragma once
// The properties file: one element "Set%d" per preset under the document, each
// holding the camera, exposure, flash and colour sections. Every section is read
// and written through these functions, so a file that does not parse is never
// replaced by one holding only the section being saved.
#include <string>

class TiXmlDocument;
class TiXmlNode;

namespace PropertiesFile {

// For reading a section: the file exists and parses.
bool LoadForReading(TiXmlDocument& document, const std::string& path);
// For changing a section: a missing or empty file gives an empty document; a file
// that does not parse is refused (false), so that the presets in it are kept.
bool LoadForEditing(TiXmlDocument& document, const std::string& path);
// Writes a temporary file beside the file, flushes it to disk and renames it over
// the file, so that a crash leaves the old file or the new one.
bool Save(const TiXmlDocument& document, const std::string& path);

// The set's element under the document (or below the document's root element),
// or the document itself when the name is empty; null when missing.
TiXmlNode* FindSet(TiXmlDocument& document, const std::string& setName);
// The same, created when missing.
TiXmlNode& SetNode(TiXmlDocument& document, const std::string& setName);

}  // namespace PropertiesFile
