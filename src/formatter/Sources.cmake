# The format core's sources, one list for every build that compiles them
# (the native library here and the WebAssembly page in web/).
set(KELVRA_FORMATTER_SOURCES
  FormatDriver.cpp
  TextUtil.cpp
  TokenEdges.cpp
  PatternSet.cpp
  KeywordTables.cpp
  LineScan.cpp
  LineCommands.cpp
  ProtectedText.cpp
  ReadingSync.cpp
  ScriptState.cpp
  Protection.cpp
  Whitespace.cpp
  CommentLines.cpp
  ReservedWords.cpp
  StatementBreaks.cpp
  FunctionCalls.cpp
  LineJoins.cpp
  IndentAndEmphasis.cpp
  ResultOutput.cpp)
