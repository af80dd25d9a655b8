#include "pixlib/twain/dsm/SourceManager.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "pixlib/twain/TwainWindow.h"

extern "C" TW_UINT16 DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                               TW_UINT16 msg, TW_MEMREF data);

namespace twaindsm {

namespace {

bool SameName(const TW_IDENTITY& a, const TW_IDENTITY& b) {
  return std::strncmp(a.ProductName, b.ProductName, sizeof a.ProductName) == 0;
}

}  // namespace

TW_UINT16 SourceManager::Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                               TW_UINT16 msg, TW_MEMREF data) {
  std::unique_lock lock(m_mutex);
  if (origin == nullptr) return Fail(nullptr, TWCC_BADPROTOCOL);
  if (dat == DAT_NULL) return FromSource(origin, dest, dat, msg);
  if (dest != nullptr) return ToSource(origin, dest, dg, dat, msg, data);
  if (dg != DG_CONTROL) return Fail(SessionOf(origin), TWCC_BADPROTOCOL);
  if (dat == DAT_BXNOTIFICATION && msg == MSG_GET && data != nullptr)
    return WaitNotice(origin->Id, static_cast<TW_BXNOTIFICATION*>(data), lock);
  return ToManager(origin, dat, msg, data);
}

TW_UINT16 SourceManager::ToManager(pTW_IDENTITY app, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (dat == DAT_PARENT && msg == MSG_OPENDSM) return OpenManager(app);
  Session* session = SessionOf(app);
  if (session == nullptr) {
    // The status of a failed open is still asked for.
    if (dat == DAT_STATUS && msg == MSG_GET && data != nullptr) {
      *static_cast<TW_STATUS*>(data) = TW_STATUS{m_lastCondition, 0};
      return TWRC_SUCCESS;
    }
    return Fail(nullptr, TWCC_SEQERROR);
  }
  switch (dat) {
    case DAT_PARENT:
      if (msg == MSG_CLOSEDSM) return CloseManager(app);
      break;
    case DAT_IDENTITY:
      return Identity(*session, app, msg, static_cast<TW_IDENTITY*>(data));
    case DAT_STATUS:
      if (msg != MSG_GET || data == nullptr) break;
      *static_cast<TW_STATUS*>(data) = TW_STATUS{session->condition, 0};
      session->condition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    default:
      break;
  }
  return Fail(session, TWCC_BADPROTOCOL);
}

TW_UINT16 SourceManager::OpenManager(pTW_IDENTITY app) {
  if (SessionOf(app) != nullptr) return Fail(nullptr, TWCC_SEQERROR);
  if (m_sessions.empty()) LoadSources();
  app->Id = m_nextId++;
  m_sessions[app->Id] = Session{};
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::CloseManager(pTW_IDENTITY app) {
  Session* session = SessionOf(app);
  if (session->source != nullptr) return Fail(session, TWCC_SEQERROR);
  m_sessions.erase(app->Id);
  if (m_sessions.empty()) m_modules.clear();
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::Identity(Session& session, pTW_IDENTITY app, TW_UINT16 msg, TW_IDENTITY* identity) {
  if (identity == nullptr) return Fail(&session, TWCC_BADVALUE);
  switch (msg) {
    case MSG_GETFIRST:
    case MSG_GETNEXT: {
      if (msg == MSG_GETFIRST) session.listed = 0;
      const auto listed = Listed();
      if (session.listed >= listed.size()) return TWRC_ENDOFLIST;
      *identity = *listed[session.listed++].second;
      return TWRC_SUCCESS;
    }
    case MSG_GETDEFAULT:
    case MSG_USERSELECT: {
      // No selection dialog here: the choice is the default source.
      const auto chosen = DefaultSource();
      if (chosen.first == nullptr) return Fail(&session, TWCC_NODS);
      *identity = *chosen.second;
      return TWRC_SUCCESS;
    }
    case MSG_OPENDS:
      return OpenSource(session, app, identity);
    case MSG_CLOSEDS:
      return CloseSource(session, app);
    default:
      return Fail(&session, TWCC_BADPROTOCOL);
  }
}

TW_UINT16 SourceManager::OpenSource(Session& session, pTW_IDENTITY app, TW_IDENTITY* wanted) {
  if (session.source != nullptr) return Fail(&session, TWCC_SEQERROR);
  auto [module, identity] = FindSource(*wanted);
  if (module == nullptr) return Fail(&session, TWCC_NODS);
  if (InUse(module)) return Fail(&session, TWCC_MAXCONNECTIONS);
  TW_IDENTITY opened = *identity;
  const TW_UINT16 rc = module->Call(app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &opened);
  if (rc != TWRC_SUCCESS) {
    TW_STATUS status{};
    module->Call(app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return Fail(&session, status.ConditionCode ? status.ConditionCode : TWCC_OPERATIONERROR);
  }
  TW_ENTRYPOINT entry{sizeof(TW_ENTRYPOINT), &DSM_Entry};
  module->Call(app, DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry);
  session.source = module;
  session.sourceIdentity = opened;
  session.notices.clear();
  *wanted = opened;
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::CloseSource(Session& session, pTW_IDENTITY app) {
  if (session.source == nullptr) return Fail(&session, TWCC_SEQERROR);
  const TW_UINT16 rc =
      session.source->Call(app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &session.sourceIdentity);
  if (rc != TWRC_SUCCESS) return rc;
  session.source = nullptr;
  session.notices.clear();
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::ToSource(pTW_IDENTITY app, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat,
                                  TW_UINT16 msg, TW_MEMREF data) {
  Session* session = SessionOf(app);
  if (session == nullptr) return Fail(nullptr, TWCC_SEQERROR);
  if (session->source == nullptr || dest->Id != session->sourceIdentity.Id)
    return Fail(session, TWCC_BADDEST);
  if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
    // Notifications were posted through this manager, so it recognises them;
    // any other event is the source's to judge.
    auto* event = static_cast<TW_EVENT*>(data);
    const auto* message = event ? static_cast<const MSG*>(event->pEvent) : nullptr;
    if (message != nullptr && message->message == kTwainNotifyMessage) {
      event->TWMessage = static_cast<TW_UINT16>(message->wParam);
      return TWRC_DSEVENT;
    }
  }
  return session->source->Call(app, dg, dat, msg, data);
}

TW_UINT16 SourceManager::FromSource(pTW_IDENTITY source, pTW_IDENTITY app, TW_UINT16 dat, TW_UINT16 msg) {
  Session* session = SessionOf(app);
  if (dat != DAT_NULL || session == nullptr || session->source == nullptr ||
      source->Id != session->sourceIdentity.Id)
    return Fail(nullptr, TWCC_BADDEST);
  if (msg != MSG_XFERREADY && msg != MSG_CLOSEDSREQ && msg != MSG_CLOSEDSOK)
    return Fail(session, TWCC_BADPROTOCOL);
  session->notices.push_back(msg);
  m_noticePosted.notify_all();
  return TWRC_SUCCESS;
}

// Waits without holding the lock, so sources on other threads can post.
TW_UINT16 SourceManager::WaitNotice(TW_UINT32 appId, TW_BXNOTIFICATION* wait,
                                    std::unique_lock<std::recursive_mutex>& lock) {
  auto pending = [&] {
    auto found = m_sessions.find(appId);
    return found == m_sessions.end() || !found->second.notices.empty();
  };
  m_noticePosted.wait_for(lock, std::chrono::milliseconds(wait->TimeoutMs), pending);
  auto found = m_sessions.find(appId);
  if (found == m_sessions.end()) return Fail(nullptr, TWCC_SEQERROR);
  std::deque<TW_UINT16>& notices = found->second.notices;
  wait->Message = notices.empty() ? MSG_NULL : notices.front();
  if (!notices.empty()) notices.pop_front();
  return TWRC_SUCCESS;
}

void SourceManager::LoadSources() {
  m_modules.clear();
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder(), error))
    if (entry.path().extension() == ".so") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    auto module = std::make_unique<SourceModule>();
    if (!module->Load(file.string())) continue;
    for (TW_IDENTITY& identity : module->Identities()) identity.Id = m_nextId++;
    m_modules.push_back(std::move(module));
  }
}

std::vector<std::pair<SourceModule*, TW_IDENTITY*>> SourceManager::Listed() {
  std::vector<std::pair<SourceModule*, TW_IDENTITY*>> listed;
  for (auto& module : m_modules)
    for (TW_IDENTITY& identity : module->Identities()) listed.emplace_back(module.get(), &identity);
  return listed;
}

// $BX_TWAIN_DEFAULT names the default source; else the first one listed.
std::pair<SourceModule*, TW_IDENTITY*> SourceManager::DefaultSource() {
  const auto listed = Listed();
  if (listed.empty()) return {nullptr, nullptr};
  if (const char* name = std::getenv("BX_TWAIN_DEFAULT"); name != nullptr && *name != '\0') {
    TW_IDENTITY wanted{};
    std::strncpy(wanted.ProductName, name, sizeof wanted.ProductName - 1);
    return FindSource(wanted);
  }
  return listed.front();
}

// By product name when one is given (ids change when the sources are
// loaded again), else by id, else the default.
std::pair<SourceModule*, TW_IDENTITY*> SourceManager::FindSource(const TW_IDENTITY& wanted) {
  const bool named = wanted.ProductName[0] != '\0';
  if (!named && wanted.Id == 0) return DefaultSource();
  for (auto [module, identity] : Listed())
    if (named ? SameName(*identity, wanted) : identity->Id == wanted.Id) return {module, identity};
  return {nullptr, nullptr};
}

bool SourceManager::InUse(const SourceModule* module) const {
  return std::any_of(m_sessions.begin(), m_sessions.end(),
                     [module](const auto& entry) { return entry.second.source == module; });
}

SourceManager::Session* SourceManager::SessionOf(const TW_IDENTITY* app) {
  if (app == nullptr) return nullptr;
  auto found = m_sessions.find(app->Id);
  return found == m_sessions.end() ? nullptr : &found->second;
}

TW_UINT16 SourceManager::Fail(Session* session, TW_UINT16 condition) {
  m_lastCondition = condition;
  if (session != nullptr) session->condition = condition;
  return TWRC_FAILURE;
}

}  // namespace twaindsm
