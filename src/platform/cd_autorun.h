#pragma once
// CD autorun on the author's machine. On Windows that is the user's own
// AutoPlay choice for software on CDs (what Settings → AutoPlay changes);
// system policies and the CD-ROM driver's value are an administrator's and
// are only reported. Linux desktops have no such switch.
#include <string>

namespace rondivo::platform {

struct CdAutorunReport {
    bool available = false;  // the system has such a setting
    bool failed = false;     // a change was needed and could not be made
    // What was changed, what could not be, or what still stops autorun; empty
    // when everything already was as asked.
    std::string text;
};

CdAutorunReport setCdAutorun(bool enabled);

}  // namespace rondivo::platform
