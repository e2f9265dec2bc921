#pragma once

// A property a target checks: when it breaks, the run stops with its name,
// and libFuzzer keeps the input that broke it.

#include <QString>

#include <cstdio>
#include <cstdlib>

inline void require(bool holds, const char* property, const QString& detail = QString())
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s %s\n", property, qPrintable(detail));
        std::abort();
    }
}
