#include "records/CFotoSet.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "platform/FileReplace.h"
#include "layout/ApplicationPath.h"
#include "records/CBarcodeSet.h"
#include "records/PhotoXml.h"
#include "odbc/DateText.h"
#include "odbc/NumberText.h"

CFotoSet::CFotoSet(DatabaseSettings settings) : CRecordset(std::move(settings)) { m_nFields = 40; }

void CFotoSet::DoFieldExchange(CFieldExchange& fx) {
  RFX_Long(&fx, "[ID]", m_ID);
  RFX_Text(&fx, "[OPERATORE]", m_OPERATORE);
  RFX_Date(&fx, "[DATA]", m_DATA);
  RFX_Long(&fx, "[RULLINO]", m_RULLINO);
  RFX_Long(&fx, "[CONTATORE]", m_CONTATORE);
  RFX_Text(&fx, "[NOME_FILE]", m_NOME_FILE);
  RFX_Long(&fx, "[POSIZIONE]", m_POSIZIONE);
  RFX_Text(&fx, "[FG_IMAGE_NAME]", m_FG_IMAGE_NAME);
  RFX_Text(&fx, "[BG_IMAGE_NAME]", m_BG_IMAGE_NAME);
  RFX_Text(&fx, "[ICON_IMAGE_NAME]", m_ICON_IMAGE_NAME);
  RFX_Single(&fx, "[ASPECT_RATIO]", m_ASPECT_RATIO);
  RFX_Long(&fx, "[IMAGEX]", m_IMAGEX);
  RFX_Long(&fx, "[IMAGEY]", m_IMAGEY);
  RFX_Long(&fx, "[CROPLEFT]", m_CROPLEFT);
  RFX_Long(&fx, "[CROPTOP]", m_CROPTOP);
  RFX_Long(&fx, "[CROPRIGHT]", m_CROPRIGHT);
  RFX_Long(&fx, "[CROPBOTTOM]", m_CROPBOTTOM);
  RFX_Long(&fx, "[ZOOM]", m_ZOOM);
  RFX_Long(&fx, "[ROTATION]", m_ROTATION);
  RFX_Long(&fx, "[RED]", m_RED);
  RFX_Long(&fx, "[GREEN]", m_GREEN);
  RFX_Long(&fx, "[BLUE]", m_BLUE);
  RFX_Long(&fx, "[CONTRAST]", m_CONTRAST);
  RFX_Long(&fx, "[BRIGHTNESS]", m_BRIGHTNESS);
  RFX_Long(&fx, "[SATURATION]", m_SATURATION);
  RFX_Long(&fx, "[ICONX]", m_ICONX);
  RFX_Long(&fx, "[ICONY]", m_ICONY);
  RFX_Long(&fx, "[ICONZOOM]", m_ICONZOOM);
  RFX_Long(&fx, "[ICONROTATION]", m_ICONROTATION);
  RFX_Text(&fx, "[TEXT]", m_TEXT, 65536);
  RFX_Long(&fx, "[TEXTX]", m_TEXTX);
  RFX_Long(&fx, "[TEXTY]", m_TEXTY);
  RFX_Long(&fx, "[TEXTZOOM]", m_TEXTZOOM);
  RFX_Long(&fx, "[TEXTROTATION]", m_TEXTROTATION);
  RFX_Long(&fx, "[TEXTALIGN]", m_TEXTALIGN);
  RFX_Long(&fx, "[TEXTCOLOR]", m_TEXTCOLOR);
  RFX_Long(&fx, "[FONTSTYLE]", m_FONTSTYLE);
  RFX_Text(&fx, "[FONTNAME]", m_FONTNAME);
  RFX_Text(&fx, "[EVENTO]", m_EVENTO, 1024);
  RFX_Text(&fx, "[PAGE]", m_PAGE, 8000);
}

template <typename Operation>
bool CFotoSet::Attempt(bool silent, Operation operation) {
  try {
    operation();
    Close();
    return true;
  } catch (const CDBException& error) {
    Close();
    if (!silent) ShowDatabaseError(error);
    return false;
  }
}

void CFotoSet::ResetLayoutColumns() {
  CFoto defaults(m_defaultAspectRatio);
  defaults.params.zoom = m_defaultZoom;
  defaults.params.cropLeft = -2147483647;
  defaults.params.cropTop = -500;
  defaults.params.cropRight = 2147483647;
  defaults.params.cropBottom = 500;
  SetLayoutColumns(defaults);
  m_POSIZIONE = 0;
}

void CFotoSet::SetIdentityColumns(const CFoto& photo) {
  m_OPERATORE = photo.operatorName;
  m_RULLINO = photo.film;
  m_CONTATORE = photo.counter;
  m_DATA = photo.date;
  m_NOME_FILE = photo.name;
  m_POSIZIONE = photo.position;
  m_EVENTO = photo.events.ToText();
}

void CFotoSet::SetLayoutColumns(const CFoto& photo) {
  const CProcessedImage::Parameters& p = photo.params;
  m_FG_IMAGE_NAME = p.fgImageName;
  m_BG_IMAGE_NAME = p.bgImageName;
  m_ICON_IMAGE_NAME.clear();
  m_ASPECT_RATIO = p.aspectRatio;
  m_IMAGEX = p.imageX;
  m_IMAGEY = p.imageY;
  m_CROPLEFT = p.cropLeft;
  m_CROPTOP = p.cropTop;
  m_CROPRIGHT = p.cropRight;
  m_CROPBOTTOM = p.cropBottom;
  m_ZOOM = p.zoom;
  m_ROTATION = p.rotation;
  m_RED = p.red;
  m_GREEN = p.green;
  m_BLUE = p.blue;
  m_CONTRAST = p.contrast;
  m_BRIGHTNESS = p.brightness;
  m_SATURATION = photo.StoredSaturation();
  m_ICONX = p.iconX;
  m_ICONY = p.iconY;
  m_ICONZOOM = p.iconZoom;
  m_ICONROTATION = p.iconRotation;
  m_TEXT = p.text;
  m_TEXTX = p.textX;
  m_TEXTY = p.textY;
  m_TEXTZOOM = p.textZoom;
  m_TEXTROTATION = p.textRotation;
  m_FONTSTYLE = p.fontStyle;
  m_FONTNAME = p.fontName;
  m_TEXTALIGN = p.textAlign;
  m_TEXTCOLOR = p.textColor;
  m_PAGE = p.page;
  m_EVENTO = photo.events.ToText();
}

void CFotoSet::WriteRowXml() {
  m_xmlProblem.clear();
  if (!m_settings.useXml) return;
  const auto path = bx::records::PhotoXmlPath(m_imageRoot, m_OPERATORE, m_RULLINO, m_NOME_FILE);
  if (!path) {
    m_xmlProblem = "no XML for operator \"" + m_OPERATORE + "\" and file \"" + m_NOME_FILE + "\"";
    return;
  }
  m_xmlProblem = bx::WriteFileAtomically(*path, bx::records::PhotoXmlText(*this)).value_or("");
}

bool CFotoSet::InsertPhoto(const CFoto& photo, bool silent) {
  return InsertRowText(PrepareRow(photo), silent);
}

std::string CFotoSet::PrepareRow(const CFoto& photo) {
  AddNew();
  SetIdentityColumns(photo);
  SetLayoutColumns(photo);
  WriteRowXml();
  return bx::records::PhotoXmlText(*this, true);
}

bool CFotoSet::InsertRowText(const std::string& rowText, bool silent, bool firstAttempt, bool* inserted) {
  return Attempt(silent, [&] {
    AddNew();
    ResetLayoutColumns();
    if (!bx::records::ReadPhotoXml(rowText, *this)) throw CDBException(-1, "Not a photo row: " + rowText);
    const bool added = InsertCurrentRowOnce(firstAttempt);
    if (inserted) *inserted = added;
  });
}

CFoto CFotoSet::Shot(const std::string& operatorName, const std::string& eventsText, int film, int counter,
                     const bx::OleDateTime& date, const std::string& fileName) const {
  CFoto photo(m_defaultAspectRatio);
  photo.operatorName = operatorName;
  photo.film = film;
  photo.counter = counter;
  photo.date = date;
  photo.name = fileName;
  photo.events.SetFromText(eventsText);
  return photo;
}

bool CFotoSet::InsertNewPhoto(const std::string& operatorName, const std::string& eventsText, int film,
                              int counter, const bx::OleDateTime& date, int orientation,
                              const std::string& fileName, const CProcessedImage* layout, bool silent) {
  return Attempt(silent, [&] {
    AddNew();
    ResetLayoutColumns();
    CFoto photo = Shot(operatorName, eventsText, film, counter, date, fileName);
    SetIdentityColumns(photo);
    if (layout) {
      photo.CopyParameters(*layout);
      SetLayoutColumns(photo);
    } else if (orientation == 6 || orientation == 8) {
      m_ROTATION = orientation == 6 ? 157 : 471;
      m_ZOOM = -15;
      m_ASPECT_RATIO = 1.0f / m_ASPECT_RATIO;
    }
    m_EVENTO = photo.events.ToText();
    WriteRowXml();
    InsertCurrentRowOnce(false);
  });
}

bool CFotoSet::InsertCurrentRowOnce(bool firstAttempt) {
  if (!m_DATA.IsValid()) throw CDBException(-1, "The photo has no valid date");
  CFotoSet existing(m_settings);
  existing.UseSession(SharedSession());
  if (!firstAttempt &&
      existing.FirstId(existing.ShotCondition(m_OPERATORE, m_RULLINO, m_CONTATORE, m_DATA, m_NOME_FILE)) >= 0)
    return false;
  Update();
  return true;
}

std::string CFotoSet::ShotCondition(const std::string& operatorName, int film, int counter,
                                    const bx::OleDateTime& date, const std::string& fileName) {
  const bx::OleDateTime day = bx::odbc::DayOf(date);
  return "[OPERATORE] = " + bx::odbc::QuoteText(operatorName) + " AND [RULLINO] = " + std::to_string(film) +
         " AND [CONTATORE] = " + std::to_string(counter) +
         " AND [DATA] >= " + bx::odbc::DateTimeLiteral(Dialect(), day) + " AND [DATA] < " +
         bx::odbc::DateTimeLiteral(Dialect(), bx::odbc::NextDay(day)) +
         " AND [NOME_FILE] = " + bx::odbc::QuoteText(fileName);
}

long CFotoSet::FirstId(const std::string& condition) {
  m_strFilter = condition;
  Open();
  const long id = IsEOF() ? -1 : m_ID;
  Close();
  return id;
}

bool CFotoSet::EditRow(long id) {
  m_strFilter = "[ID] = " + std::to_string(id);
  Open();
  if (IsEOF()) return false;
  Edit();
  return true;
}

template <typename Change>
bool CFotoSet::EditPhoto(long id, bool silent, Change change) {
  bool found = false;
  const bool done = Attempt(silent, [&] {
    if (!(found = EditRow(id))) return;
    change();
    WriteRowXml();
    Update();
  });
  return done && found;
}

bool CFotoSet::UpdateLayout(const CFoto& photo) {
  return EditPhoto(photo.id, false, [&] { SetLayoutColumns(photo); });
}

bool CFotoSet::UpdatePhoto(const CFoto& photo, bool withPosition) {
  return EditPhoto(photo.id, true, [&] {
    const std::string fileName = m_NOME_FILE;
    const std::int32_t position = m_POSIZIONE;
    SetIdentityColumns(photo);
    SetLayoutColumns(photo);
    m_ICON_IMAGE_NAME = photo.params.iconImageName;
    m_NOME_FILE = fileName;
    if (!withPosition) m_POSIZIONE = position;
  });
}

bool CFotoSet::AddToPosition(const CFoto& photo, int delta) {
  return EditPhoto(photo.id, false, [&] { m_POSIZIONE += delta; });
}

bool CFotoSet::MarkFileDeleted(CFoto& photo) {
  photo.events.Remove(kBinMarker);
  return Attempt(true, [&] {
    ExecuteSQL("UPDATE " + TableName() + " SET \"NOME_FILE\" = '', \"EVENTO\" = ? WHERE \"ID\" = ?",
               {photo.events.ToText(), photo.id});
  });
}

bool CFotoSet::DeletePhoto(long id) { return DeleteWhere("[ID] = ?", {static_cast<std::int32_t>(id)}); }

bool CFotoSet::DeleteUnnamedInRange(const bx::OleDateTime& from, const bx::OleDateTime& to) {
  if (!from.IsValid() || !to.IsValid()) return false;
  // The whole of the last day counts: a bound at its midnight would keep its shots.
  return DeleteWhere("([NOME_FILE] = '' OR [NOME_FILE] IS NULL) AND [DATA] >= ? AND [DATA] < ?",
                     {bx::odbc::DayOf(from), bx::odbc::NextDay(bx::odbc::DayOf(to))});
}

bool CFotoSet::DeleteWhere(const std::string& condition, const std::vector<bx::odbc::SqlValue>& values) {
  return Attempt(true, [&] {
    ExecuteSQL(bx::odbc::ReplaceBrackets("DELETE FROM " + GetDefaultSQL() + " WHERE (" + condition + ")"),
               values);
  });
}

long CFotoSet::FindId(const std::string& operatorName, const std::string& event, int film, int counter,
                      const bx::OleDateTime& date, const std::string& fileName) {
  long id = -1;
  Attempt(false, [&] {
    id = FirstId(ShotCondition(operatorName, film, counter, date, fileName) +
                 " AND ([EVENTO] IS NULL OR [EVENTO] = " + bx::odbc::QuoteText(event) + ")");
  });
  return id;
}

bool CFotoSet::EventsOfFile(const std::string& imagePath, std::string& eventsText) {
  const std::filesystem::path path(imagePath);
  const std::string fileName = path.filename().string();
  const std::string filmText = path.parent_path().filename().string();
  const std::string operatorName = path.parent_path().parent_path().filename().string();
  int film = 0;
  if (!bx::odbc::ReadNumber(filmText, film)) return false;
  bool found = false;
  Attempt(false, [&] {
    m_strFilter = bx::odbc::LikeCondition(Dialect(), "[OPERATORE]", operatorName) +
                  " AND [RULLINO] = " + std::to_string(film) +
                  " AND [NOME_FILE] = " + bx::odbc::QuoteText(fileName);
    Open();
    if ((found = !IsEOF())) eventsText = m_EVENTO;
  });
  return found;
}

int CFotoSet::LastCounter(const std::string& operatorName, int film, const bx::OleDateTime& date) {
  int counter = 0;
  Attempt(false, [&] {
    if (!date.IsValid()) throw CDBException(-1, "No valid date for the last counter");
    const bx::OleDateTime day = bx::odbc::DayOf(date);
    const bx::OleDateTime before(day.Value() - 1.0), after(day.Value() + 1.0);
    m_strFilter = bx::odbc::LikeCondition(Dialect(), "[OPERATORE]", operatorName) +
                  " AND [RULLINO] = " + std::to_string(film) + " AND [DATA] > " +
                  bx::odbc::DateTimeLiteral(Dialect(), before) + " AND [DATA] < " +
                  bx::odbc::DateTimeLiteral(Dialect(), after);
    m_strSort = "[CONTATORE] DESC";
    Open();
    if (!IsEOF()) counter = m_CONTATORE;
  });
  return counter;
}

bool CFotoSet::RemoveRowFiles() const {
  namespace fs = std::filesystem;
  if (!bx::records::IsPlainName(m_OPERATORE)) return false;
  const fs::path operatorFolder = fs::path(m_imageRoot.empty() ? "." : m_imageRoot) / "images" / m_OPERATORE;
  const fs::path filmFolder = operatorFolder / std::to_string(m_RULLINO);
  std::error_code ignored;
  if (!m_NOME_FILE.empty()) {
    if (!bx::records::IsPlainName(m_NOME_FILE)) return false;
    fs::remove(filmFolder / "data" / (m_NOME_FILE + ".xml"), ignored);
    fs::remove(filmFolder / "data", ignored);  // only when empty
    fs::remove(filmFolder / m_NOME_FILE, ignored);
    if (fs::exists(filmFolder / m_NOME_FILE, ignored)) return false;
  }
  fs::remove(filmFolder / "Thumbs.db", ignored);
  fs::remove(filmFolder, ignored);
  fs::remove(operatorFolder, ignored);
  return true;
}

bool CFotoSet::PurgeFiles(const std::string& filter) {
  std::vector<std::int32_t> removed;
  bool read = false;
  for (int attempt = 1; attempt <= 5 && !read; ++attempt) {
    removed.clear();
    read = Attempt(true, [&] {
      m_strFilter = filter;
      Open();
      for (; !IsEOF(); MoveNext())
        if (RemoveRowFiles()) removed.push_back(m_ID);
    });
  }
  if (!read) return false;
  for (std::size_t start = 0; start < removed.size(); start += 500) {
    const std::size_t count = std::min<std::size_t>(500, removed.size() - start);
    std::string markers;
    for (std::size_t i = 0; i < count; ++i) markers += i == 0 ? "?" : ", ?";
    const std::vector<bx::odbc::SqlValue> ids(removed.begin() + static_cast<long>(start),
                                              removed.begin() + static_cast<long>(start + count));
    if (!DeleteWhere("[ID] IN (" + markers + ")", ids)) return false;
  }
  return true;
}

bool CFotoSet::PurgeOld(int daysToKeep, const bx::OleDateTime& now) {
  if (daysToKeep < 1 || !now.IsValid()) return false;
  const bx::OleDateTime cutOff(now.Value() - daysToKeep);
  std::string filter;
  if (!Attempt(false, [&] { filter = "[DATA] <= " + bx::odbc::DateTimeLiteral(Dialect(), cutOff); }))
    return false;
  const bool photos = PurgeFiles(filter);
  return CBarcodeSet(m_settings).DeleteBefore(bx::odbc::PartDateTimeLiteral(cutOff)) && photos;
}

bool CFotoSet::ImportXml(const std::string& xmlPath, const std::string& fileName, bool force) {
  std::ifstream in(xmlPath, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  bool imported = false;
  const bool done = Attempt(true, [&] {
    AddNew();
    ResetLayoutColumns();
    if (!in || !bx::records::ReadPhotoXml(text, *this)) return;
    if (!bx::records::IsPlainName(m_OPERATORE) || !bx::records::IsPlainName(fileName)) return;
    CFotoSet film(m_settings);
    film.m_strFilter = bx::odbc::LikeCondition(film.Dialect(), "[OPERATORE]", m_OPERATORE) +
                       " AND [RULLINO] = " + std::to_string(m_RULLINO);
    film.Open();
    if (!force && !film.IsEOF()) return;
    if (m_ASPECT_RATIO == 0.0f) m_ASPECT_RATIO = m_defaultAspectRatio;
    m_NOME_FILE = fileName;
    WriteRowXml();
    Update();
    imported = true;
  });
  return done && imported;
}

bool CFotoSet::ImportLayoutXml(const std::string& xmlPath, const std::string& operatorName,
                               const std::string& eventsText, int film, int counter,
                               const bx::OleDateTime& date, const std::string& fileName) {
  std::ifstream in(xmlPath, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  bool imported = false;
  const bool done = Attempt(true, [&] {
    if (!bx::records::IsPlainName(operatorName) || !bx::records::IsPlainName(fileName)) return;
    AddNew();
    ResetLayoutColumns();
    SetIdentityColumns(Shot(operatorName, eventsText, film, counter, date, fileName));
    if (!in || !bx::records::ReadLayoutXml(text, *this)) return;
    m_FG_IMAGE_NAME = bx::layout::FromPlaceholder(m_FG_IMAGE_NAME, m_applicationFolder);
    m_BG_IMAGE_NAME = bx::layout::FromPlaceholder(m_BG_IMAGE_NAME, m_applicationFolder);
    m_ICON_IMAGE_NAME = bx::layout::FromPlaceholder(m_ICON_IMAGE_NAME, m_applicationFolder);
    m_PAGE = bx::layout::PageFromPlaceholder(m_PAGE, m_applicationFolder);
    WriteRowXml();
    InsertCurrentRowOnce(true);
    imported = true;
  });
  return done && imported;
}

void CFotoSet::ReadPhoto(CFoto& photo) const {
  photo.id = m_ID;
  photo.date = m_DATA;
  photo.operatorName = m_OPERATORE;
  photo.position = m_POSIZIONE;
  photo.film = m_RULLINO;
  photo.counter = m_CONTATORE;
  photo.events.SetFromText(m_EVENTO);
  photo.name = (std::filesystem::path(m_imageRoot.empty() ? "." : m_imageRoot) / "images" / m_OPERATORE /
                std::to_string(m_RULLINO) / m_NOME_FILE)
                   .string();
  CProcessedImage::Parameters& p = photo.params;
  p.fgImageName = m_FG_IMAGE_NAME;
  p.bgImageName = m_BG_IMAGE_NAME;
  p.iconImageName = m_ICON_IMAGE_NAME;
  p.aspectRatio = m_ASPECT_RATIO == 0.0f ? m_defaultAspectRatio : m_ASPECT_RATIO;
  p.imageX = m_IMAGEX;
  p.imageY = m_IMAGEY;
  p.cropLeft = m_CROPLEFT;
  p.cropTop = m_CROPTOP;
  p.cropRight = m_CROPRIGHT;
  p.cropBottom = m_CROPBOTTOM;
  p.zoom = m_ZOOM;
  p.rotation = m_ROTATION;
  p.red = m_RED;
  p.green = m_GREEN;
  p.blue = m_BLUE;
  p.contrast = m_CONTRAST;
  p.brightness = m_BRIGHTNESS;
  photo.SetStoredSaturation(m_SATURATION);
  p.iconX = m_ICONX;
  p.iconY = m_ICONY;
  p.iconZoom = m_ICONZOOM;
  p.iconRotation = m_ICONROTATION;
  p.text = m_TEXT;
  p.textX = m_TEXTX;
  p.textY = m_TEXTY;
  p.textZoom = m_TEXTZOOM;
  p.textRotation = m_TEXTROTATION;
  p.textAlign = m_TEXTALIGN;
  p.textColor = m_TEXTCOLOR;
  p.fontStyle = m_FONTSTYLE;
  p.fontName = m_FONTNAME;
  p.page = m_PAGE;
}
