#pragma once
// emscripten's C++ library predates the standard Boyer-Moore searchers and
// offers them under std::experimental; the web build includes this first so
// that the core compiles unchanged.
#include <functional>
#include <version>
#ifndef __cpp_lib_boyer_moore_searcher
#include <experimental/functional>
namespace std {
using experimental::boyer_moore_horspool_searcher;
}
#endif
