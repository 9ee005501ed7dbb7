// Included before everything else in every C++ file of the Windows builds
// (cmake/Project.cmake). The C++ library declares its std::string and
// std::wstring instantiations extern, so a program that uses either links the
// library's complete copy of the class, some 35 KB each on i686. The value -1
// of the library's switch leaves out those two declarations and no others:
// each program then instantiates only the members it uses.
#pragma once

#ifdef __cplusplus
#include <bits/c++config.h>
#if _GLIBCXX_EXTERN_TEMPLATE > 0
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
#endif
#endif
