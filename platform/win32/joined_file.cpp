// The joined file on Windows. It lies at its temporary name marked for
// deletion (FileDispositionInfo), so that a run killed halfway leaves
// nothing, and takes its name from the open handle (FileRenameInfo). The
// handle shares nothing, so on Windows no one can rename or replace the file
// meanwhile; Wine lets a Unix process do it and renames by the name it
// opened, so the temporary name is checked to hold the job's file before
// anything is done through it.
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/win32/file_handle.h"
#include "platform/win32/lookup.h"
#include "platform/win32/wide.h"

namespace {

FileIdentity IdentityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return FileIdentity{};
    return FileIdentity{info.dwVolumeSerialNumber,
                        static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow, 1};
}

// Which file path is, asked without any access to its data (so that an
// unshared handle does not stand in the way) and without following a link.
FileIdentity IdentityOfName(const wchar_t* path) {
    HANDLE handle = CreateFileW(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FileIdentity{};
    FileIdentity identity = IdentityOf(handle);
    CloseHandle(handle);
    return identity;
}

bool Mark(PlatformFile& file, bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = deleteOnClose ? TRUE : FALSE;
    bool done = SetFileInformationByHandle(file.handle, FileDispositionInfo, &disposition,
                                           sizeof disposition) != 0;
    if (done) file.marked = deleteOnClose;
    return done;
}

// Whether the temporary name still holds the job's file. A file marked for
// deletion cannot be opened, not even to ask: the mark goes first.
bool HoldsJobFile(PlatformFile& file, const wchar_t* temp) {
    if (file.marked) Mark(file, false);
    return SameFile(IdentityOfName(temp), file.identity);
}

PlacementResult Result(Placement placement, DWORD error = 0) {
    return PlacementResult{placement, static_cast<uint32_t>(error)};
}

// What an error of the rename means. Windows refuses a rename over a file
// that is read-only or open in another program with the same error as over
// one it may not touch: the file tells which.
PlacementResult FromError(DWORD error, const wchar_t* to) {
    switch (error) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS: return Result(Placement::Taken, error);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE: return Result(Placement::InUse, error);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return Result(Placement::NoSpace, error);
        case ERROR_WRITE_PROTECT: return Result(Placement::Denied, error);
        case ERROR_ACCESS_DENIED: break;
        default: return Result(Placement::Failed, error);
    }
    DWORD attributes = GetFileAttributesW(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return Result(Placement::ReadOnly, error);
    }
    HANDLE probe = CreateFileW(to, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                               nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
    } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
        return Result(Placement::InUse, error);
    }
    return Result(Placement::Denied, error);
}

// The rename of the open file to a name in its folder.
bool RenameHandle(HANDLE handle, const wchar_t* to, bool replace) {
    size_t length = wcslen(to);
    std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + (length + 1) * sizeof(wchar_t));
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
    std::copy(to, to + length + 1, rename->FileName);
    return SetFileInformationByHandle(handle, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
}

// Passes what the replaced file carries on to the job's file: its
// attributes (hidden, system...), and its access list where it has one of
// its own rather than the folder's. Best effort: the join is not refused
// for it.
void TakePermissions(PlatformFile& file, const wchar_t* replaced, DWORD attributes) {
    const DWORD carried = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic = {};  // times of 0 stay as they are
    basic.FileAttributes = (attributes & carried) != 0 ? attributes & carried : FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(file.handle, FileBasicInfo, &basic, sizeof basic);

    HANDLE source = CreateFileW(replaced, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (source == INVALID_HANDLE_VALUE) return;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(source, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                        nullptr, &descriptor) == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        if (GetSecurityDescriptorControl(descriptor, &control, &revision) &&
            (control & SE_DACL_PROTECTED) != 0) {
            SetSecurityInfo(file.handle, SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, list, nullptr);
        }
        LocalFree(descriptor);
    }
    CloseHandle(source);
}

}  // namespace

NameLookup IdentifyName(const char* name, FileIdentity* identity) {
    *identity = FileIdentity{};
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return NameLookup::Unknown;
    NameLookup lookup = LookUpNameToCreate(wide);
    if (lookup == NameLookup::Found) *identity = IdentityOfName(wide);
    return lookup;
}

FileHandle CreateJoinedFile(const char* tempName) {
    wchar_t wide[kWideCapacity];
    if (!WidenName(tempName, wide)) return nullptr;
    FileHandle file = WrapDiskFile(CreateNewHandle(wide, GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC));
    if (file == nullptr) return nullptr;
    file->identity = IdentityOf(file->handle);
    // A system that cannot mark it: the name holds it, as a leftover the
    // next run names if this one is killed.
    Mark(*file, true);
    return file;
}

FileHandle CreateScratchFile(const char* name) {
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return nullptr;
    // Deleted on close, and by the system when the process ends however it
    // ends; kept in the cache where memory allows.
    HANDLE handle = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    return WrapDiskFile(handle);
}

PlacementResult PublishJoinedFile(FileHandle file, const char* tempName, const char* to,
                                  const FileIdentity* agreed) {
    wchar_t temp[kWideCapacity];
    wchar_t target[kWideCapacity];
    if (!WidenName(tempName, temp) || !WidenName(to, target)) return Result(Placement::Failed, ERROR_INVALID_NAME);
    bool wasMarked = file->marked;
    if (!HoldsJobFile(*file, temp)) return Result(Placement::Swapped);

    bool replace = false;
    if (agreed != nullptr) {
        FileIdentity holder;
        NameLookup lookup = IdentifyName(to, &holder);
        if (lookup != NameLookup::Absent) {
            if (!SameFile(holder, *agreed)) {
                if (wasMarked) Mark(*file, true);
                return Result(Placement::Taken);
            }
            replace = true;
            DWORD attributes = GetFileAttributesW(target);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                if (wasMarked) Mark(*file, true);
                return Result(Placement::Folder, ERROR_ACCESS_DENIED);
            }
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
                if (wasMarked) Mark(*file, true);
                return Result(Placement::ReadOnly, ERROR_ACCESS_DENIED);
            }
            if (attributes != INVALID_FILE_ATTRIBUTES) TakePermissions(*file, target, attributes);
        }
    }
    // Under Wine a rename without replacing takes the name of a dangling
    // link, which it cannot see: look first, as NameExists sees it.
    if (!replace && NameExists(to)) {
        if (wasMarked) Mark(*file, true);
        return Result(Placement::Taken);
    }
    if (!RenameHandle(file->handle, target, replace)) {
        DWORD error = GetLastError();
        if (wasMarked) Mark(*file, true);
        return FromError(error, target);
    }
    file->placed = true;
    return Result(Placement::Placed);
}

PlacementResult KeepJoinedFile(FileHandle file, const char* tempName) {
    wchar_t temp[kWideCapacity];
    if (!WidenName(tempName, temp)) return Result(Placement::Failed, ERROR_INVALID_NAME);
    if (!HoldsJobFile(*file, temp)) return Result(Placement::Swapped);
    if (file->marked) return Result(Placement::Failed, GetLastError());
    file->placed = true;
    return Result(Placement::Placed);
}

int DiscardJoinedFile(FileHandle file, const char* tempName) {
    bool gone = true;
    if (!file->placed) {
        wchar_t temp[kWideCapacity];
        bool named = WidenName(tempName, temp) != 0;
        // Only the job's own file is deleted: marked again, it goes with the
        // handle; where it cannot be marked, by its name once closed.
        bool ours = named && HoldsJobFile(*file, temp);
        bool marked = ours && Mark(*file, true);
        CloseHandle(file->handle);
        if (ours && !marked) gone = DeleteFileW(temp) != 0;
    } else {
        CloseHandle(file->handle);
    }
    delete file;
    return gone;
}

int FreeBytesBeside(const char* name, uint64_t* bytes) {
    // The name's folder with its separator; a bare name's is the working
    // directory's volume.
    std::string folder = DirectoryName(name);
    wchar_t wide[kWideCapacity];
    ULARGE_INTEGER available;
    const wchar_t* root = nullptr;
    if (folder != ".") {
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
        if (!WidenName(folder.c_str(), wide)) return 0;
        root = wide;
    }
    if (!GetDiskFreeSpaceExW(root, &available, nullptr, nullptr)) return 0;
    *bytes = available.QuadPart;
    return 1;
}

int FindNames(const char* prefix, const char* suffix, NameVisitor visit, void* context) {
    std::string pattern = std::string(prefix) + "*" + suffix;
    wchar_t wide[kWideCapacity];
    if (!WidenName(pattern.c_str(), wide)) return 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide, &found);
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    std::vector<std::pair<std::string, uint64_t>> names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        std::string name = Utf16ToUtf8(reinterpret_cast<const char16_t*>(found.cFileName));
        names.emplace_back(name, static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    for (const auto& entry : names) visit(context, entry.first.c_str(), entry.second);
    return 1;
}

void SleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }
