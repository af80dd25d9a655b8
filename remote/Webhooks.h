#pragma once

#include "remote/WebhookSender.h"

#include <memory>
#include <string>
#include <vector>

namespace remote {

// The notifications: settings "Webhook URLs" (one or more, separated by
// spaces) and "Webhook Events" (event names separated by spaces or commas;
// empty sends every event) of "Remote Settings", and a sender for each URL.
class Webhooks {
 public:
  struct Settings {
    std::vector<std::string> urls;
    std::set<std::string> kinds;

    // The settings' texts as stored.
    static Settings Parse(const std::string& urls, const std::string& kinds);
  };

  // Starts a sender per usable URL; a URL that is not http or https is logged and left out.
  Webhooks(EventHub& hub, const Settings& settings, const std::string& station, WebhookSender::Log log,
           WebhookPolicy policy = {});

  std::size_t Senders() const { return m_senders.size(); }

 private:
  std::vector<std::unique_ptr<WebhookSender>> m_senders;
};

}  // namespace remote
