/* The interface of the external functions library: a site's own shared library
 * that the capture station loads at run time ("External Functions" of "Program
 * Settings") and calls at fixed moments. Every entry point is optional and uses
 * the C calling convention; the library must not let exceptions escape. */
#ifndef BX_EXTERNAL_FUNCTIONS_API_H
#define BX_EXTERNAL_FUNCTIONS_API_H

#ifdef __cplusplus
extern "C" {
#endif

/* The station's log, as "Init" receives it. The strings stay valid for the
 * life of the program. */
struct BxLogInfo {
  const char* name; /* the log's name */
  int enabled;      /* non-zero when the log is written */
  const char* path; /* the log file */
  int timestamps;   /* non-zero when lines carry the time */
};

/* "Init": once after each loading of the settings, on the user-interface thread.
 * `window` is the main window's opaque handle, null when the station runs
 * without a display. */
typedef void BxInitFunction(void* window, const struct BxLogInfo* log);

/* "PreTrigger": on every accepted rising edge of the trigger signal, on the
 * trigger thread, before the sound and the delay; the shot waits for it.
 * Returns 0 to refuse the shot, BX_PRETRIGGER_TIMEOUT when the library gave up
 * waiting (the shot goes on), anything else to allow it. */
typedef int BxPreTriggerFunction(void);
#define BX_PRETRIGGER_TIMEOUT (-1)

/* Text sizes of the photo data block, terminating zero included. */
#define BX_PHOTO_NAME_SIZE 256
#define BX_PHOTO_TEXT_SIZE 65536
#define BX_PHOTO_PAGE_SIZE 8000
#define BX_PHOTO_MAX_EVENTS 64

/* One photo as "PreSave" receives it: the photo's record, filled by the station
 * before the call and copied back after it, so the library may change it. Texts
 * are UTF-8 and zero-terminated; a text cut by its size is cut on the way back too.
 * Names must stay plain names (no "/", no ".."), and an event must not hold "|":
 * the station refuses the photo or drops the event otherwise. */
struct BxPhotoData {
  char fileName[BX_PHOTO_NAME_SIZE];   /* "img<counter>.jpg" */
  char resultText[BX_PHOTO_TEXT_SIZE]; /* the photo's caption text; logged after the call */
  char operatorName[BX_PHOTO_NAME_SIZE];
  double date;   /* days since 30 December 1899, time as the fraction */
  int dateValid; /* non-zero when date holds a date */
  int film;      /* the day of the week, 1 = Sunday */
  int counter;
  int position;
  int eventCount;
  char events[BX_PHOTO_MAX_EVENTS][BX_PHOTO_NAME_SIZE];
  /* The layout parameters the photo is to be composed with. */
  char foregroundImage[BX_PHOTO_NAME_SIZE];
  char backgroundImage[BX_PHOTO_NAME_SIZE];
  char iconImage[BX_PHOTO_NAME_SIZE];
  char fontName[BX_PHOTO_NAME_SIZE];
  char page[BX_PHOTO_PAGE_SIZE]; /* the icon list */
  float aspectRatio;
  int imageX, imageY;
  int cropLeft, cropTop, cropRight, cropBottom;
  int zoom, rotation;
  int red, green, blue;
  int contrast, brightness, saturation;
  int autoLevels;
  int iconX, iconY, iconZoom, iconRotation;
  int textX, textY, textZoom, textRotation;
  int fontStyle, textAlign, textColor;
};

/* "PreSave": once per photo, on the processing thread, after the photo is numbered
 * and before it is written; the result is ignored. */
typedef void BxPreSaveFunction(struct BxPhotoData* photo);

#ifdef __cplusplus
}
#endif

#endif
