#include "remote/Webhooks.h"

#include "platform/ProfileStore.h"
#include "remote/RemoteSettings.h"

#include <sstream>

namespace remote {

namespace {

std::vector<std::string> Words(std::string text) {
  for (char& c : text)
    if (c == ',') c = ' ';
  std::istringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

}  // namespace

Webhooks::Settings Webhooks::Settings::Read(const bx::ProfileStore& profile) {
  Settings settings;
  std::istringstream urls(profile.GetString(RemoteSettings::kSection, "Webhook URLs", ""));
  for (std::string url; urls >> url;) settings.urls.push_back(url);
  for (const std::string& kind : Words(profile.GetString(RemoteSettings::kSection, "Webhook Events", "")))
    settings.kinds.insert(kind);
  return settings;
}

Webhooks::Webhooks(EventHub& hub, const Settings& settings, const std::string& station,
                   WebhookSender::Log log, WebhookPolicy policy) {
  for (const std::string& url : settings.urls) {
    if (const std::optional<WebhookTarget> target = WebhookTarget::Parse(url)) {
      m_senders.push_back(
          std::make_unique<WebhookSender>(hub, *target, settings.kinds, station, policy, log));
      log("Webhook " + target->origin + ": notifications on");
    } else {
      log("Webhook URL number " + std::to_string(&url - settings.urls.data() + 1) +
          " left out: not an http or https URL");
    }
  }
}

}  // namespace remote
