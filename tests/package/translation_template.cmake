# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the translation catalogue template the build writes: a catalogue of
# no language (English sources) that holds the program's texts, each under
# the context the program translates it in: window texts under their
# window's class, the texts of Qt-free code under "Message" and "FileDialog".
#   cmake -DTEMPLATE=<build>/translations/pelmorix.ts -P translation_template.cmake
if(NOT EXISTS ${TEMPLATE})
  message(FATAL_ERROR "no translation template ${TEMPLATE}")
endif()
file(READ ${TEMPLATE} ts)
if(NOT ts MATCHES "<TS version=\"[0-9.]+\" sourcelanguage=\"en\">")
  message(FATAL_ERROR "the template is no English-source catalogue without a language")
endif()

# "context|source"; the catalogue writes "&" as "&amp;".
set(expected
    "TMainForm|&Load spot..."
    "TMainForm|Reference orbit %1"
    "TSelectForm|Select fractal:"
    "TAVISetup|Unable to write frame %1 to %2 !"
    "TSpotsForm|Fluent recommended"
    "TCompressorForm|Motion JPEG"
    "Message|No DLL !!!"
    "Message|3D attractor not found: timeout or L=0."
    "FileDialog|Fractal spots (*.frs)|*.frs|All files (*.*)|*.*"
    "FileDialog|Save fractal as...")
string(REPLACE ";" "\\;" ts "${ts}")
string(REPLACE "<context>" ";" contexts "${ts}")
foreach(entry IN LISTS expected)
  string(FIND "${entry}" "|" bar)
  string(SUBSTRING "${entry}" 0 ${bar} context)
  math(EXPR start "${bar} + 1")
  string(SUBSTRING "${entry}" ${start} -1 source)
  string(REPLACE "&" "&amp;" source "${source}")
  set(found FALSE)
  foreach(block IN LISTS contexts)
    string(FIND "${block}" "<name>${context}</name>" named)
    string(FIND "${block}" "<source>${source}</source>" held)
    if(named GREATER -1 AND held GREATER -1)
      set(found TRUE)
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "the template lacks \"${source}\" in the context ${context}")
  endif()
endforeach()
