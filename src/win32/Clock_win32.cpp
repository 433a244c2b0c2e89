#include "win32/PlatformAdapters_win32.h"

namespace heliotab {

LocalTime Win32Clock::Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    LocalTime l;
    l.year = t.wYear;
    l.month = t.wMonth;
    l.day = t.wDay;
    l.hour = t.wHour;
    l.minute = t.wMinute;
    l.second = t.wSecond;
    l.millisecond = t.wMilliseconds;
    return l;
}

} // namespace heliotab
