#include "remote/Webhooks.h"

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

Webhooks::Settings Webhooks::Settings::Parse(const std::string& urls, const std::string& kinds) {
  Settings settings;
  std::istringstream stream(urls);
  for (std::string url; stream >> url;) settings.urls.push_back(url);
  for (const std::string& kind : Words(kinds)) settings.kinds.insert(kind);
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
