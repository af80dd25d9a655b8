#include "pylon/GenericException.h"

namespace GenICam {

GenericException::GenericException(const char* description, const char* sourceFileName,
                                   unsigned int sourceLine)
    : GenericException(description, sourceFileName, sourceLine, "GenericException") {}

GenericException::GenericException(const char* description, const char* sourceFileName,
                                   unsigned int sourceLine, const char* exceptionType)
    : m_description(description ? description : ""),
      m_sourceFileName(sourceFileName ? sourceFileName : ""),
      m_sourceLine(sourceLine) {
  m_what = std::string(exceptionType) + ": " + m_description + " : " + m_sourceFileName + "(" +
           std::to_string(m_sourceLine) + ")";
}

}  // namespace GenICam
