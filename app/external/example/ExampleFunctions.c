/* An example external functions library. It writes what it is given to its own
 * file beside the station's log, refuses every other shot, beginning with the
 * first, and captions every photo with its file name and counter: a site replaces
 * the rules with its own (a door contact, a payment, a customer's name, ...). */
#include "app/external/ExternalFunctionsApi.h"

#include <stdio.h>
#include <string.h>

static char g_note_path[4096];
static int g_triggers;

static void Note(const char* text) {
  if (!g_note_path[0]) return;
  FILE* file = fopen(g_note_path, "a");
  if (!file) return;
  fprintf(file, "%s\n", text);
  fclose(file);
}

void Init(void* window, const struct BxLogInfo* log) {
  char line[4200];
  (void)window;
  if (!log || !log->path) return;
  snprintf(g_note_path, sizeof g_note_path, "%s.example", log->path);
  snprintf(line, sizeof line, "Init %s enabled=%d", log->name ? log->name : "", log->enabled);
  Note(line);
}

int PreTrigger(void) {
  const int allowed = g_triggers++ % 2 == 1;
  Note(allowed ? "PreTrigger allow" : "PreTrigger refuse");
  return allowed;
}

void PreSave(struct BxPhotoData* photo) {
  char line[BX_PHOTO_NAME_SIZE + 32];
  snprintf(photo->resultText, sizeof photo->resultText, "Photo %d (%s)", photo->counter, photo->fileName);
  snprintf(line, sizeof line, "PreSave %s", photo->fileName);
  Note(line);
}
