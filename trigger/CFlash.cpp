#include "trigger/CFlash.h"

#include "camera/PropertiesFile.h"
#include "platform/SerialPort.h"

#include <tinyxml.h>

void CFlash::Bind(bx::SerialPort* port) {
  m_port = port;
  m_bound = true;
  if (port) {
    port->SetRts(false);
    m_state = 0;
  }
}

void CFlash::Set(bool on) {
  if (!m_bound) return;
  if (m_port) m_port->SetRts(on);
  m_state = on ? 1 : 0;
}

bool CFlash::Load(const std::string& file, const std::string& setName) {
  TiXmlDocument document;
  if (!PropertiesFile::LoadForReading(document, file)) return false;
  TiXmlNode* set = PropertiesFile::FindSet(document, setName);
  TiXmlElement* flash = set ? set->FirstChildElement("Flash") : nullptr;
  TiXmlElement* enabled = flash ? flash->FirstChildElement("Enabled") : nullptr;
  if (!enabled) return false;
  int state = 0;
  enabled->QueryIntAttribute("value", &state);
  m_state = state;
  return true;
}

bool CFlash::Save(const std::string& file, const std::string& setName) const {
  TiXmlDocument document;
  if (!PropertiesFile::LoadForEditing(document, file)) return false;
  TiXmlNode& set = PropertiesFile::SetNode(document, setName);
  TiXmlNode* flash = set.FirstChildElement("Flash");
  if (!flash) flash = set.LinkEndChild(new TiXmlElement("Flash"));
  TiXmlElement* enabled = flash->FirstChildElement("Enabled");
  if (!enabled) enabled = flash->LinkEndChild(new TiXmlElement("Enabled"))->ToElement();
  enabled->SetAttribute("value", m_state);
  return PropertiesFile::Save(document, file);
}
