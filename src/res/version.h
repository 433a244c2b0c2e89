// The program's version: the one place it is written. heliotab.rc builds the
// version resource from it; the installer (installer/heliotab.nsi) and the
// Windows build (the installer's and the zip's names) read it too, so keep
// each number on its own "#define NAME value" line.
#pragma once

#define HELIOTAB_VERSION_MAJOR 1
#define HELIOTAB_VERSION_MINOR 14
#define HELIOTAB_VERSION_PATCH 0
#define HELIOTAB_VERSION_REVISION 1

// "1.14.0.1": the dotted numbers made one string literal.
#define HELIOTAB_VERSION_DOTTED(a, b, c, d) a.b.c.d
#define HELIOTAB_VERSION_QUOTE(x) #x
#define HELIOTAB_VERSION_STRING(x) HELIOTAB_VERSION_QUOTE(x)
#define HELIOTAB_VERSION_TEXT                                                                      \
    HELIOTAB_VERSION_STRING(                                                                       \
        HELIOTAB_VERSION_DOTTED(HELIOTAB_VERSION_MAJOR, HELIOTAB_VERSION_MINOR,                    \
                                HELIOTAB_VERSION_PATCH, HELIOTAB_VERSION_REVISION))
