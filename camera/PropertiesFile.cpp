#include "camera/PropertiesFile.h"

#include "platform/FileReplace.h"

#include <tinyxml.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace PropertiesFile {

bool LoadForReading(TiXmlDocument& document, const std::string& path) {
  TiXmlBase::SetCondenseWhiteSpace(true);
  return document.LoadFile(path.c_str());
}

bool LoadForEditing(TiXmlDocument& document, const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error == std::errc::no_such_file_or_directory || (!error && size == 0)) {
    document.Clear();
    return true;
  }
  return !error && LoadForReading(document, path);
}

bool Save(const TiXmlDocument& document, const std::string& path) {
  bx::ReplacingFile file(path.c_str());
  return file.Get() && document.SaveFile(file.Get()) && file.Commit();
}

TiXmlNode* FindSet(TiXmlDocument& document, const std::string& setName) {
  if (setName.empty()) return &document;
  if (TiXmlElement* set = document.FirstChildElement(setName.c_str())) return set;
  // Files written by other tools wrap the sets in one root element.
  TiXmlElement* root = document.RootElement();
  return root ? root->FirstChildElement(setName.c_str()) : nullptr;
}

TiXmlNode& SetNode(TiXmlDocument& document, const std::string& setName) {
  if (TiXmlNode* set = FindSet(document, setName)) return *set;
  return *document.LinkEndChild(new TiXmlElement(setName.c_str()));
}

}  // namespace PropertiesFile
