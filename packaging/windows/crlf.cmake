# Copies a text file with CR LF line ends, the ones every Windows editor
# shows as lines; @PROJECT_VERSION@ and @DRALEN_HOMEPAGE@ become the values
# given, when given.
#   cmake -DIN=<file> -DOUT=<file> [-DVERSION=<version> -DHOMEPAGE=<url>] -P crlf.cmake
file(READ ${IN} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
if(DEFINED VERSION)
  string(REPLACE "@PROJECT_VERSION@" "${VERSION}" text "${text}")
endif()
if(DEFINED HOMEPAGE)
  string(REPLACE "@DRALEN_HOMEPAGE@" "${HOMEPAGE}" text "${text}")
endif()
file(WRITE ${OUT} "${text}")
