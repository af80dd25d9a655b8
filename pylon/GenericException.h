#pragma once
// The GenICam exception family raised by the SDK layer and its node maps.
#include <stdexcept>
#include <string>

namespace GenICam {

using gcstring = std::string;

class GenericException : public std::exception {
 public:
  GenericException(const char* description, const char* sourceFileName, unsigned int sourceLine);
  GenericException(const char* description, const char* sourceFileName, unsigned int sourceLine,
                   const char* exceptionType);

  const char* GetDescription() const noexcept { return m_description.c_str(); }
  const char* GetSourceFileName() const noexcept { return m_sourceFileName.c_str(); }
  unsigned int GetSourceLine() const noexcept { return m_sourceLine; }
  // "<type>: <description> : <file>(<line>)"
  const char* what() const noexcept override { return m_what.c_str(); }

 private:
  std::string m_description;
  std::string m_sourceFileName;
  unsigned int m_sourceLine;
  std::string m_what;
};

#define BX_GENICAM_EXCEPTION_KIND(Name)                                          \
  class Name : public GenericException {                                         \
   public:                                                                       \
    Name(const char* description, const char* sourceFileName, unsigned int line) \
        : GenericException(description, sourceFileName, line, #Name) {}          \
  };

BX_GENICAM_EXCEPTION_KIND(BadAllocException)
BX_GENICAM_EXCEPTION_KIND(InvalidArgumentException)
BX_GENICAM_EXCEPTION_KIND(OutOfRangeException)
BX_GENICAM_EXCEPTION_KIND(PropertyException)
BX_GENICAM_EXCEPTION_KIND(RuntimeException)
BX_GENICAM_EXCEPTION_KIND(LogicalErrorException)
BX_GENICAM_EXCEPTION_KIND(AccessException)
BX_GENICAM_EXCEPTION_KIND(TimeoutException)
BX_GENICAM_EXCEPTION_KIND(DynamicCastException)

#undef BX_GENICAM_EXCEPTION_KIND

}  // namespace GenICam

// Raise an exception of the given kind carrying this source location.
#define BX_THROW(Kind, description) throw ::GenICam::Kind((description), __FILE__, __LINE__)
