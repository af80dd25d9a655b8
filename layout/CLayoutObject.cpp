#include "layout/CLayoutObject.h"

#include <tinyxml.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "layout/ApplicationPath.h"
#include "layout/CLayoutSet.h"
#include "platform/FileReplace.h"
#include "odbc/NumberText.h"

namespace {

using Parameters = CProcessedImage::Parameters;

// One element of the layout file: its name, how the value is written and read.
struct FileField {
  const char* name;
  std::function<std::string(const CLayoutObject&)> get;
  std::function<bool(CLayoutObject&, const std::string&)> set;
};

FileField Number(const char* name, std::int32_t Parameters::*member) {
  return {
      name, [member](const CLayoutObject& o) { return std::to_string(o.params.*member); },
      [member](CLayoutObject& o, const std::string& v) { return bx::odbc::ReadNumber(v, o.params.*member); }};
}

FileField Text(const char* name, std::string Parameters::*member) {
  return {name, [member](const CLayoutObject& o) { return o.params.*member; },
          [member](CLayoutObject& o, const std::string& v) {
            o.params.*member = v;
            return true;
          }};
}

FileField Text(const char* name, std::string CLayoutObject::*member) {
  return {name, [member](const CLayoutObject& o) { return o.*member; },
          [member](CLayoutObject& o, const std::string& v) {
            o.*member = v;
            return true;
          }};
}

// The elements in the file's order. SATURATION is plain; AUTOLEVELS is the flag.
const std::vector<FileField>& FileFields() {
  static const std::vector<FileField> fields{
      {"ID", [](const CLayoutObject& o) { return std::to_string(o.id); },
       [](CLayoutObject& o, const std::string& v) { return bx::odbc::ReadNumber(v, o.id); }},
      Text("NOME", &CLayoutObject::layoutName),
      Text("FG_IMAGE_NAME", &Parameters::fgImageName),
      Text("BG_IMAGE_NAME", &Parameters::bgImageName),
      Text("ICON_IMAGE_NAME", &Parameters::iconImageName),
      {"ASPECT_RATIO", [](const CLayoutObject& o) { return bx::odbc::FixedText(o.params.aspectRatio); },
       [](CLayoutObject& o, const std::string& v) { return bx::odbc::ReadNumber(v, o.params.aspectRatio); }},
      Number("IMAGEX", &Parameters::imageX),
      Number("IMAGEY", &Parameters::imageY),
      Number("CROPLEFT", &Parameters::cropLeft),
      Number("CROPTOP", &Parameters::cropTop),
      Number("CROPRIGHT", &Parameters::cropRight),
      Number("CROPBOTTOM", &Parameters::cropBottom),
      Number("ZOOM", &Parameters::zoom),
      Number("ROTATION", &Parameters::rotation),
      Number("RED", &Parameters::red),
      Number("GREEN", &Parameters::green),
      Number("BLUE", &Parameters::blue),
      Number("CONTRAST", &Parameters::contrast),
      Number("BRIGHTNESS", &Parameters::brightness),
      Number("SATURATION", &Parameters::saturation),
      {"AUTOLEVELS", [](const CLayoutObject& o) { return std::string(o.params.autoLevels ? "1" : "0"); },
       [](CLayoutObject& o, const std::string& v) {
         int flag = 0;
         if (!bx::odbc::ReadNumber(v, flag)) return false;
         o.params.autoLevels = flag != 0;
         return true;
       }},
      Number("ICONX", &Parameters::iconX),
      Number("ICONY", &Parameters::iconY),
      Number("ICONZOOM", &Parameters::iconZoom),
      Number("ICONROTATION", &Parameters::iconRotation),
      Text("TEXT", &Parameters::text),
      Number("TEXTX", &Parameters::textX),
      Number("TEXTY", &Parameters::textY),
      Number("TEXTZOOM", &Parameters::textZoom),
      Number("TEXTROTATION", &Parameters::textRotation),
      Number("TEXTALIGN", &Parameters::textAlign),
      Number("TEXTCOLOR", &Parameters::textColor),
      Number("FONTSTYLE", &Parameters::fontStyle),
      Text("FONTNAME", &Parameters::fontName),
      Text("PAGE", &Parameters::page),
      Text("GRUPPO", &CLayoutObject::group),
      Text("CATEGORIA", &CLayoutObject::category),
  };
  return fields;
}

void MapImageNames(Parameters& p, const std::function<std::string(const std::string&)>& name,
                   const std::function<std::string(const std::string&)>& page) {
  p.fgImageName = name(p.fgImageName);
  p.bgImageName = name(p.bgImageName);
  p.iconImageName = name(p.iconImageName);
  p.page = page(p.page);
}

}  // namespace

std::string CLayoutObject::FilePath(const std::string& applicationFolder, long id) {
  return applicationFolder + "Layout/" + std::to_string(id) + ".xml";
}

bool CLayoutObject::LoadFile(const std::string& path, const std::string& applicationFolder) {
  TiXmlDocument document;
  if (!document.LoadFile(path.c_str(), TIXML_ENCODING_UTF8) || !document.RootElement()) return false;
  for (const FileField& field : FileFields()) {
    const TiXmlElement* element = document.RootElement()->FirstChildElement(field.name);
    const char* value = element ? element->Attribute("Value") : nullptr;
    if (value && !field.set(*this, value)) return false;
  }
  MapImageNames(
      params, [&](const std::string& n) { return bx::layout::FromPlaceholder(n, applicationFolder); },
      [&](const std::string& p) { return bx::layout::PageFromPlaceholder(p, applicationFolder); });
  return true;
}

bool CLayoutObject::SaveFile(const std::string& applicationFolder) const {
  if (id < 0) return false;
  CLayoutObject stored = *this;
  MapImageNames(
      stored.params, [&](const std::string& n) { return bx::layout::ToPlaceholder(n, applicationFolder); },
      [&](const std::string& p) { return bx::layout::PageToPlaceholder(p, applicationFolder); });
  TiXmlDocument document;
  document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
  auto* root = new TiXmlElement("Layout");
  document.LinkEndChild(root);
  for (const FileField& field : FileFields()) {
    auto* element = new TiXmlElement(field.name);
    element->SetAttribute("Value", field.get(stored));
    root->LinkEndChild(element);
  }
  TiXmlPrinter printer;
  document.Accept(&printer);
  return !bx::WriteFileAtomically(FilePath(applicationFolder, id), printer.Str());
}

void CLayoutObject::ReadFromSet(const CLayoutSet& set) {
  id = set.m_ID;
  layoutName = set.m_NAME.empty() ? std::to_string(set.m_ID) : set.m_NAME;
  group = set.m_GRUPPO;
  category = set.m_CATEGORIA;
  Parameters& p = params;
  p.fgImageName = set.m_FG_IMAGE_NAME;
  p.bgImageName = set.m_BG_IMAGE_NAME;
  p.iconImageName = set.m_ICON_IMAGE_NAME;
  p.aspectRatio = set.m_ASPECT_RATIO;
  p.imageX = set.m_IMAGEX;
  p.imageY = set.m_IMAGEY;
  p.cropLeft = set.m_CROPLEFT;
  p.cropTop = set.m_CROPTOP;
  p.cropRight = set.m_CROPRIGHT;
  p.cropBottom = set.m_CROPBOTTOM;
  p.zoom = set.m_ZOOM;
  p.rotation = set.m_ROTATION;
  p.red = set.m_RED;
  p.green = set.m_GREEN;
  p.blue = set.m_BLUE;
  p.contrast = set.m_CONTRAST;
  p.brightness = set.m_BRIGHTNESS;
  SetStoredSaturation(set.m_SATURATION);
  p.iconX = set.m_ICONX;
  p.iconY = set.m_ICONY;
  p.iconZoom = set.m_ICONZOOM;
  p.iconRotation = set.m_ICONROTATION;
  p.text = set.m_TEXT;
  p.textX = set.m_TEXTX;
  p.textY = set.m_TEXTY;
  p.textZoom = set.m_TEXTZOOM;
  p.textRotation = set.m_TEXTROTATION;
  p.textAlign = set.m_TEXTALIGN;
  p.textColor = set.m_TEXTCOLOR;
  p.fontStyle = set.m_FONTSTYLE;
  p.fontName = set.m_FONTNAME;
  p.page = set.m_PAGE;
}

void CLayoutObject::WriteToSet(CLayoutSet& set) const {
  const Parameters& p = params;
  set.m_NAME = layoutName;
  set.m_GRUPPO = group;
  set.m_CATEGORIA = category;
  set.m_FG_IMAGE_NAME = p.fgImageName;
  set.m_BG_IMAGE_NAME = p.bgImageName;
  set.m_ICON_IMAGE_NAME = p.iconImageName;
  set.m_ASPECT_RATIO = p.aspectRatio;
  set.m_IMAGEX = p.imageX;
  set.m_IMAGEY = p.imageY;
  set.m_CROPLEFT = p.cropLeft;
  set.m_CROPTOP = p.cropTop;
  set.m_CROPRIGHT = p.cropRight;
  set.m_CROPBOTTOM = p.cropBottom;
  set.m_ZOOM = p.zoom;
  set.m_ROTATION = p.rotation;
  set.m_RED = p.red;
  set.m_GREEN = p.green;
  set.m_BLUE = p.blue;
  set.m_CONTRAST = p.contrast;
  set.m_BRIGHTNESS = p.brightness;
  set.m_SATURATION = StoredSaturation();
  set.m_ICONX = p.iconX;
  set.m_ICONY = p.iconY;
  set.m_ICONZOOM = p.iconZoom;
  set.m_ICONROTATION = p.iconRotation;
  set.m_TEXT = p.text;
  set.m_TEXTX = p.textX;
  set.m_TEXTY = p.textY;
  set.m_TEXTZOOM = p.textZoom;
  set.m_TEXTROTATION = p.textRotation;
  set.m_TEXTALIGN = p.textAlign;
  set.m_TEXTCOLOR = p.textColor;
  set.m_FONTSTYLE = p.fontStyle;
  set.m_FONTNAME = p.fontName;
  set.m_PAGE = p.page;
}

long CLayoutObject::SaveToDb(const DatabaseSettings& settings, const std::string& applicationFolder,
                             bool silent) {
  CLayoutSet set(settings);
  try {
    set.m_strFilter = "[ID] = " + std::to_string(id);
    set.Open();
    const bool isNew = set.IsEOF();
    if (isNew)
      set.AddNew();
    else
      set.Edit();
    WriteToSet(set);
    set.Update();
    if (isNew) id = set.LastInsertedKey();
    set.Close();
  } catch (const CDBException& error) {
    set.Close();
    if (!silent) ShowDatabaseError(error);
    return -1;
  }
  SaveFile(applicationFolder);
  return id;
}

bool CLayoutObject::DeleteFromDb(const DatabaseSettings& settings, const std::string& applicationFolder,
                                 bool silent) {
  CLayoutSet set(settings);
  try {
    set.ExecuteSQL("DELETE FROM " + set.TableName() + " WHERE \"ID\" = ?", {static_cast<std::int32_t>(id)});
  } catch (const CDBException& error) {
    if (!silent) ShowDatabaseError(error);
    return false;
  }
  std::error_code ignored;
  std::filesystem::remove(FilePath(applicationFolder, id), ignored);
  return true;
}

std::string CLayoutObject::UsabilityProblem() const {
  if (!(params.aspectRatio > 0.01f && params.aspectRatio < 100.0f))
    return "aspect ratio " + bx::odbc::FixedText(params.aspectRatio) + " out of range";
  for (const std::string* image : {&params.fgImageName, &params.bgImageName, &params.iconImageName}) {
    std::error_code error;
    if (!image->empty() && !std::filesystem::exists(*image, error)) return "missing image " + *image;
  }
  return {};
}
