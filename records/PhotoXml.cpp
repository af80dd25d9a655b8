#include "records/PhotoXml.h"

#include <tinyxml.h>

#include <array>
#include <filesystem>
#include <variant>

#include "records/CFotoSet.h"
#include "odbc/NumberText.h"

namespace bx::records {
namespace {

using bx::odbc::FixedText;
using bx::odbc::ReadNumber;

using Member = std::variant<std::string CFotoSet::*, std::int32_t CFotoSet::*, float CFotoSet::*,
                            bx::OleDateTime CFotoSet::*>;
struct XmlField {
  const char* name;
  Member member;
};

const std::array<XmlField, 39> kFields{{
    {"OPERATORE", &CFotoSet::m_OPERATORE},
    {"DATA", &CFotoSet::m_DATA},
    {"RULLINO", &CFotoSet::m_RULLINO},
    {"CONTATORE", &CFotoSet::m_CONTATORE},
    {"NOME_FILE", &CFotoSet::m_NOME_FILE},
    {"POSIZIONE", &CFotoSet::m_POSIZIONE},
    {"FG_IMAGE_NAME", &CFotoSet::m_FG_IMAGE_NAME},
    {"BG_IMAGE_NAME", &CFotoSet::m_BG_IMAGE_NAME},
    {"ICON_IMAGE_NAME", &CFotoSet::m_ICON_IMAGE_NAME},
    {"ASPECT_RATIO", &CFotoSet::m_ASPECT_RATIO},
    {"IMAGEX", &CFotoSet::m_IMAGEX},
    {"IMAGEY", &CFotoSet::m_IMAGEY},
    {"CROPLEFT", &CFotoSet::m_CROPLEFT},
    {"CROPTOP", &CFotoSet::m_CROPTOP},
    {"CROPRIGHT", &CFotoSet::m_CROPRIGHT},
    {"CROPBOTTOM", &CFotoSet::m_CROPBOTTOM},
    {"ZOOM", &CFotoSet::m_ZOOM},
    {"ROTATION", &CFotoSet::m_ROTATION},
    {"RED", &CFotoSet::m_RED},
    {"GREEN", &CFotoSet::m_GREEN},
    {"BLUE", &CFotoSet::m_BLUE},
    {"CONTRAST", &CFotoSet::m_CONTRAST},
    {"BRIGHTNESS", &CFotoSet::m_BRIGHTNESS},
    {"SATURATION", &CFotoSet::m_SATURATION},
    {"ICONX", &CFotoSet::m_ICONX},
    {"ICONY", &CFotoSet::m_ICONY},
    {"ICONZOOM", &CFotoSet::m_ICONZOOM},
    {"ICONROTATION", &CFotoSet::m_ICONROTATION},
    {"TEXT", &CFotoSet::m_TEXT},
    {"TEXTX", &CFotoSet::m_TEXTX},
    {"TEXTY", &CFotoSet::m_TEXTY},
    {"TEXTZOOM", &CFotoSet::m_TEXTZOOM},
    {"TEXTROTATION", &CFotoSet::m_TEXTROTATION},
    {"TEXTALIGN", &CFotoSet::m_TEXTALIGN},
    {"TEXTCOLOR", &CFotoSet::m_TEXTCOLOR},
    {"FONTSTYLE", &CFotoSet::m_FONTSTYLE},
    {"FONTNAME", &CFotoSet::m_FONTNAME},
    {"EVENTO", &CFotoSet::m_EVENTO},
    {"PAGE", &CFotoSet::m_PAGE},
}};

std::string ValueText(const CFotoSet& row, const Member& member) {
  return std::visit(
      [&row](auto pointer) -> std::string {
        const auto& value = row.*pointer;
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::string>)
          return value;
        else if constexpr (std::is_same_v<Value, std::int32_t>)
          return std::to_string(value);
        else if constexpr (std::is_same_v<Value, float>)
          return FixedText(value);
        else
          return FixedText(value.Value());
      },
      member);
}

bool ReadValue(const std::string& text, CFotoSet& row, const Member& member) {
  return std::visit(
      [&](auto pointer) {
        auto& value = row.*pointer;
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::string>) {
          value = text;
          return true;
        } else if constexpr (std::is_same_v<Value, bx::OleDateTime>) {
          double days = 0;
          if (!ReadNumber(text, days)) return false;
          value = bx::OleDateTime(days);
          return true;
        } else {
          return ReadNumber(text, value);
        }
      },
      member);
}

const char* ElementValue(const TiXmlElement& root, const char* name) {
  const TiXmlElement* element = root.FirstChildElement(name);
  return element ? element->Attribute("Value") : nullptr;
}

// Reads the fields present from `first` on, EVENTO only when asked.
bool ReadFields(const TiXmlElement& root, CFotoSet& row, std::size_t first, bool withEvents) {
  for (std::size_t i = first; i < kFields.size(); ++i) {
    if (!withEvents && kFields[i].member == Member(&CFotoSet::m_EVENTO)) continue;
    const char* value = ElementValue(root, kFields[i].name);
    if (value && !ReadValue(value, row, kFields[i].member)) return false;
  }
  return true;
}

const TiXmlElement* ParsedRoot(TiXmlDocument& document, const std::string& text) {
  document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
  return document.Error() ? nullptr : document.RootElement();
}

}  // namespace

std::string PhotoXmlText(const CFotoSet& row, bool oneLine) {
  TiXmlDocument document;
  document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
  auto* root = new TiXmlElement("Foto");
  document.LinkEndChild(root);
  for (const XmlField& field : kFields) {
    auto* element = new TiXmlElement(field.name);
    element->SetAttribute("Value", ValueText(row, field.member));
    root->LinkEndChild(element);
  }
  TiXmlPrinter printer;
  if (oneLine) printer.SetStreamPrinting();
  document.Accept(&printer);
  return printer.Str();
}

bool ReadPhotoXml(const std::string& text, CFotoSet& row) {
  TiXmlDocument document;
  const TiXmlElement* root = ParsedRoot(document, text);
  if (!root || std::string(root->Value()) != "Foto") return false;
  return ReadFields(*root, row, 0, true);
}

bool ReadLayoutXml(const std::string& text, CFotoSet& row) {
  constexpr std::size_t kFirstLayoutField = 5;  // POSIZIONE
  TiXmlDocument document;
  const TiXmlElement* root = ParsedRoot(document, text);
  if (!root || !ReadFields(*root, row, kFirstLayoutField, false)) return false;
  int autoLevels = 0;
  const char* flag = ElementValue(*root, "AUTOLEVELS");
  if (flag && !ReadNumber(std::string(flag), autoLevels)) return false;
  if (autoLevels != 0) row.m_SATURATION += CProcessedImage::kAutoLevelsOffset;
  return true;
}

std::optional<std::string> PhotoXmlPath(const std::string& imageRoot, const std::string& operatorName,
                                        int film, const std::string& fileName) {
  if (!IsPlainName(operatorName) || !IsPlainName(fileName)) return std::nullopt;
  const std::filesystem::path root = imageRoot.empty() ? "." : imageRoot;
  return (root / "images" / operatorName / std::to_string(film) / "data" / (fileName + ".xml")).string();
}

}  // namespace bx::records
