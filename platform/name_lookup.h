// What "a name is taken" means, for the joiner and the splitter on every
// system. A look-up of a name ends one of three ways: something holds it (a
// file, a directory, a device, a symbolic link, dangling or not), nothing
// does and nothing could (no such entry; a folder of the path missing or not
// a folder; a name too long or not valid for the file system), or the system
// could not tell (no permission to look, an error of the disk, a name the
// program cannot convert). A name is free only when the look-up found it
// absent: what cannot be told counts as taken, so nothing is ever created
// or replaced on a guess. Each system's layer maps its errors into these
// three answers once: platform/posix/lookup.h, platform/win32/lookup.h.
#ifndef SELVANORE_PLATFORM_NAME_LOOKUP_H
#define SELVANORE_PLATFORM_NAME_LOOKUP_H

enum class NameLookup { Found, Absent, Unknown };

inline bool IsNameTaken(NameLookup lookup) { return lookup != NameLookup::Absent; }

#endif
