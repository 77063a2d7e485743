# Writes the example settings file (INPUT, UTF-8 with LF line ends) as a C++ header (OUTPUT) of
# one narrow literal with CRLF line ends: compiled with -fexec-charset=GBK it holds the bytes
# scripts/package writes into the zips (GBK, CRLF, no byte order mark).
#   cmake -DINPUT=packaging/TK100_Dll_Set.ini -DOUTPUT=.../example_settings.h -P this file
file(READ ${INPUT} text)
string(REPLACE "\\" "\\\\" text "${text}")
string(REPLACE "\"" "\\\"" text "${text}")
string(REPLACE "\n" "\\r\\n\"\n    \"" text "${text}")
file(WRITE ${OUTPUT}
"// Made from packaging/TK100_Dll_Set.ini at build time (cmake/embed-example-settings.cmake).
#pragma once

// The example settings file that /register writes where there is none.
inline constexpr char kExampleSettings[] =
    \"${text}\";
")
