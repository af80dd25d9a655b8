#pragma once

#include <cstdint>
#include <string>

#include "layout/CProcessedImage.h"
#include "odbc/DatabaseSettings.h"

class CLayoutSet;

// A named, stored set of composition parameters: a row of the table Layout and the
// file "<application folder>Layout/<id>.xml". Id -1: not stored yet; the built-in
// layouts of the list have -2 and -3 and are never stored.
class CLayoutObject : public CProcessedImage {
 public:
  explicit CLayoutObject(float defaultAspectRatio = kDefaultAspectRatio)
      : CProcessedImage(defaultAspectRatio) {}

  // Reads every element present in a layout file, with "<AP>" made the application
  // folder; false when the file does not load.
  bool LoadFile(const std::string& path, const std::string& applicationFolder);
  // Writes the layout file of the id; false for an unstored layout or a write failure.
  bool SaveFile(const std::string& applicationFolder) const;
  // Inserts or rewrites the row (a new row's id comes from the database), then the
  // file. The id, or -1 after a database error (shown unless silent).
  long SaveToDb(const DatabaseSettings& settings, const std::string& applicationFolder, bool silent = false);
  // Deletes the row, then the file; false after a database error.
  bool DeleteFromDb(const DatabaseSettings& settings, const std::string& applicationFolder,
                    bool silent = false);
  void ReadFromSet(const CLayoutSet& set);
  void WriteToSet(CLayoutSet& set) const;

  static std::string FilePath(const std::string& applicationFolder, long id);
  // Why the layout cannot be composed (an image file missing, an aspect ratio out of
  // range); empty when it can.
  std::string UsabilityProblem() const;

  long id = -1;
  std::string layoutName;
  std::string group;
  std::string category;
  // Set by the list: UsabilityProblem when the layout was read.
  std::string unusable;
};
