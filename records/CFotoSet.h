#pragma once

#include <cstdint>
#include <string>

#include "platform/OleDateTime.h"
#include "records/CFoto.h"
#include "odbc/CRecordset.h"

// The table Fotografie: one row per saved shot, with its identity and the layout
// parameters it is to be composed with. Auto-levels is stored as SATURATION + 1000.
// With "Use XML" on, every row written is also written as
// "<image root>/images/<operator>/<film>/data/<file>.xml", before the row, so that
// the copy exists even when the database does not take the row.
class CFotoSet : public CRecordset {
 public:
  // The bin marker: an ordinary event tag that MarkFileDeleted drops.
  static constexpr const char* kBinMarker = "$$CESTINO$$";

  explicit CFotoSet(DatabaseSettings settings);

  std::string GetDefaultSQL() const override { return "\"Fotografie\""; }
  void DoFieldExchange(CFieldExchange& fx) override;
  std::string KeyColumn() const override { return "[ID]"; }

  // Inserts the photo: its identity, events and layout parameters. False on a
  // database error, shown unless silent.
  bool InsertPhoto(const CFoto& photo, bool silent);
  // Inserts a shot with the layout's parameters, or without one the defaults turned
  // for the camera orientation (6 and 8 are portrait).
  bool InsertNewPhoto(const std::string& operatorName, const std::string& eventsText, int film, int counter,
                      const bx::OleDateTime& date, int orientation, const std::string& fileName,
                      const CProcessedImage* layout, bool silent);
  // The two halves of InsertPhoto. PrepareRow sets the members from the photo,
  // writes the XML and gives the row as one line of text, without the database.
  // InsertRowText inserts such a row; after an earlier attempt (a retry after an
  // ambiguous failure, or a replay) only when no row of the same operator, film,
  // counter, file and day is there already; `inserted`, when given, tells which.
  // False for a database error (shown unless silent) or a bad text.
  std::string PrepareRow(const CFoto& photo);
  bool InsertRowText(const std::string& rowText, bool silent, bool firstAttempt = false,
                     bool* inserted = nullptr);
  // Rewrites the row of the photo's id: its layout columns, or all its values
  // (the position only when asked).
  bool UpdateLayout(const CFoto& photo);
  bool UpdatePhoto(const CFoto& photo, bool withPosition);
  bool AddToPosition(const CFoto& photo, int delta);
  // Drops the bin marker from the events and empties NOME_FILE.
  bool MarkFileDeleted(CFoto& photo);
  bool DeletePhoto(long id);
  // Rows without a file whose DATA lies in [from's day, to's day].
  bool DeleteUnnamedInRange(const bx::OleDateTime& from, const bx::OleDateTime& to);
  // Deletes the rows the bracketed condition selects, in one statement.
  bool DeleteWhere(const std::string& condition, const std::vector<bx::odbc::SqlValue>& values = {});
  // The ID of the shot taken on the date's day, or -1.
  long FindId(const std::string& operatorName, const std::string& event, int film, int counter,
              const bx::OleDateTime& date, const std::string& fileName);
  // The events text of the row of an image given by its full path
  // (".../<operator>/<film>/<file>"); false when no row has it.
  bool EventsOfFile(const std::string& imagePath, std::string& eventsText);
  // The highest counter of the operator's film within a day of the date; 0 when none.
  int LastCounter(const std::string& operatorName, int film, const bx::OleDateTime& date);
  // Deletes the photos the bracketed filter selects with their image, thumbnail
  // database and XML files, and then the rows of the photos whose image is gone.
  // A row whose operator or file name could leave the image tree is left alone.
  // False when the rows could not be read (after 5 attempts) or deleted.
  bool PurgeFiles(const std::string& filter);
  // PurgeFiles of the photos older than the days to keep, then their barcodes;
  // nothing when fewer than one day is to be kept.
  bool PurgeOld(int daysToKeep, const bx::OleDateTime& now);
  // Inserts the row a photo XML file describes, under the given file name; refused
  // when the operator's film has rows already, unless forced.
  bool ImportXml(const std::string& xmlPath, const std::string& fileName, bool force);
  // Inserts a shot with the given identity whose layout columns come from an XML
  // file (a layout file or a photo's), "<AP>" becoming the application folder; the
  // columns the file lacks keep their defaults. False when the file does not read
  // or after a database error.
  bool ImportLayoutXml(const std::string& xmlPath, const std::string& operatorName,
                       const std::string& eventsText, int film, int counter, const bx::OleDateTime& date,
                       const std::string& fileName);
  // Copies the current row into the photo, the name becoming the image's full path.
  void ReadPhoto(CFoto& photo) const;

  // The folder that holds "images" (the station's "DatabasePath").
  std::string m_imageRoot;
  // The "Application Path" setting as a folder, for "<AP>" in imported layouts.
  std::string m_applicationFolder;
  float m_defaultAspectRatio = CProcessedImage::kDefaultAspectRatio;
  std::int32_t m_defaultZoom = 0;
  // Why the last XML copy was not written; empty when it was (or was not asked for).
  std::string m_xmlProblem;

  std::int32_t m_ID = 0;
  std::string m_OPERATORE;
  bx::OleDateTime m_DATA;
  std::int32_t m_RULLINO = 0;
  std::int32_t m_CONTATORE = 0;
  std::string m_NOME_FILE;
  std::int32_t m_POSIZIONE = 0;
  std::string m_FG_IMAGE_NAME;
  std::string m_BG_IMAGE_NAME;
  std::string m_ICON_IMAGE_NAME;
  float m_ASPECT_RATIO = 0.0f;
  std::int32_t m_IMAGEX = 0;
  std::int32_t m_IMAGEY = 0;
  std::int32_t m_CROPLEFT = 0;
  std::int32_t m_CROPTOP = 0;
  std::int32_t m_CROPRIGHT = 0;
  std::int32_t m_CROPBOTTOM = 0;
  std::int32_t m_ZOOM = 0;
  std::int32_t m_ROTATION = 0;
  std::int32_t m_RED = 0;
  std::int32_t m_GREEN = 0;
  std::int32_t m_BLUE = 0;
  std::int32_t m_CONTRAST = 0;
  std::int32_t m_BRIGHTNESS = 0;
  std::int32_t m_SATURATION = 0;
  std::int32_t m_ICONX = 0;
  std::int32_t m_ICONY = 0;
  std::int32_t m_ICONZOOM = 0;
  std::int32_t m_ICONROTATION = 0;
  std::string m_TEXT;
  std::int32_t m_TEXTX = 0;
  std::int32_t m_TEXTY = 0;
  std::int32_t m_TEXTZOOM = 0;
  std::int32_t m_TEXTROTATION = 0;
  std::int32_t m_TEXTALIGN = 0;
  std::int32_t m_TEXTCOLOR = 0;
  std::int32_t m_FONTSTYLE = 0;
  std::string m_FONTNAME;
  std::string m_EVENTO;
  std::string m_PAGE;

 private:
  void ResetLayoutColumns();
  // A photo of the identity and events given, with the default parameters.
  CFoto Shot(const std::string& operatorName, const std::string& eventsText, int film, int counter,
             const bx::OleDateTime& date, const std::string& fileName) const;
  // False when the row was there already.
  bool InsertCurrentRowOnce(bool firstAttempt);
  void SetIdentityColumns(const CFoto& photo);
  void SetLayoutColumns(const CFoto& photo);
  // Writes the XML of the current members when "Use XML" is on; a failure is kept
  // in m_xmlProblem.
  void WriteRowXml();
  // The filter of one shot: operator, film, counter and file on the date's day.
  std::string ShotCondition(const std::string& operatorName, int film, int counter,
                            const bx::OleDateTime& date, const std::string& fileName);
  // The ID of the first row of the filter, or -1; throws CDBException.
  long FirstId(const std::string& condition);
  // Removes the files of the current row; false when its image is still there.
  bool RemoveRowFiles() const;
  // Opens the row of the id for editing; false when there is none.
  bool EditRow(long id);
  // Edits the row of the id with the change, writes its XML and updates it; false
  // when there is no such row or after a database error (shown unless silent).
  template <typename Change>
  bool EditPhoto(long id, bool silent, Change change);
  // Runs a database operation and closes the set; false (the error shown unless
  // silent) when it throws.
  template <typename Operation>
  bool Attempt(bool silent, Operation operation);
};
