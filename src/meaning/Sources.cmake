# The meaning check's sources, one list for every build that compiles them
# (the native library here and the WebAssembly page in web/).
set(KELVRA_MEANING_SOURCES
  MeaningCheck.cpp
  MeaningLexer.cpp
  ReadingsLexer.cpp
  ClientLines.cpp)
