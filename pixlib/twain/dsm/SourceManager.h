#pragma once
// The source manager: applications open it (DAT_PARENT), list and open the
// data sources found in the sources folder (DAT_IDENTITY), and send every
// other triplet through it to their open source. Sources post their
// transfer-ready and close requests (DAT_NULL) into the application's queue,
// which the application drains by waiting on DAT_BXNOTIFICATION.

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pixlib/twain/TwainTypes.h"
#include "pixlib/twain/dsm/SourceModule.h"

namespace twaindsm {

class SourceManager {
 public:
  // The folder is asked for each time the first application opens the manager.
  explicit SourceManager(std::string (*sourcesFolder)()) : m_folder(sourcesFolder) {}
  TW_UINT16 Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                  TW_MEMREF data);

 private:
  struct Session {
    TW_UINT16 condition = TWCC_SUCCESS;
    std::size_t listed = 0;          // next identity of GETNEXT
    SourceModule* source = nullptr;  // the open source's module
    TW_IDENTITY sourceIdentity{};
    std::deque<TW_UINT16> notices;
  };

  TW_UINT16 ToManager(pTW_IDENTITY app, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 ToSource(pTW_IDENTITY app, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                     TW_MEMREF data);
  TW_UINT16 FromSource(pTW_IDENTITY source, pTW_IDENTITY app, TW_UINT16 dat, TW_UINT16 msg);
  TW_UINT16 OpenManager(pTW_IDENTITY app);
  TW_UINT16 CloseManager(pTW_IDENTITY app);
  TW_UINT16 Identity(Session& session, pTW_IDENTITY app, TW_UINT16 msg, TW_IDENTITY* identity);
  TW_UINT16 OpenSource(Session& session, pTW_IDENTITY app, TW_IDENTITY* wanted);
  TW_UINT16 CloseSource(Session& session, pTW_IDENTITY app);
  TW_UINT16 WaitNotice(TW_UINT32 appId, TW_BXNOTIFICATION* wait,
                       std::unique_lock<std::recursive_mutex>& lock);
  void LoadSources();
  std::vector<std::pair<SourceModule*, TW_IDENTITY*>> Listed();
  std::pair<SourceModule*, TW_IDENTITY*> DefaultSource();
  std::pair<SourceModule*, TW_IDENTITY*> FindSource(const TW_IDENTITY& wanted);
  bool InUse(const SourceModule* module) const;
  Session* SessionOf(const TW_IDENTITY* app);
  TW_UINT16 Fail(Session* session, TW_UINT16 condition);

  std::string (*m_folder)();
  std::vector<std::unique_ptr<SourceModule>> m_modules;
  std::map<TW_UINT32, Session> m_sessions;
  TW_UINT32 m_nextId = 1;
  TW_UINT16 m_lastCondition = TWCC_SUCCESS;  // for callers without a session
  std::recursive_mutex m_mutex;              // sessions and modules
  std::condition_variable_any m_noticePosted;
};

}  // namespace twaindsm
