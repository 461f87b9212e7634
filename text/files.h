// The file layer: every command that takes a file name goes through it. Names arrive
// as GBK texts in the Windows form (program folder + "\奖品图片\" + N + ".jpg"); the
// operating system sees UTF-8 with forward slashes.
#pragma once

#include <string>
#include <string_view>

namespace zorvel {

// GBK file name -> native path: GBK to UTF-8, escapes back to the bytes they stand
// for, and every backslash of the text (not a trail byte 0x5C) a slash.
std::string NativePath(std::string_view gbkName);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& nativePath, std::string& contents);

// Writes all of data to a descriptor, going on after interrupted writes; false when the
// system refuses part of it (a full disk).
bool WriteAll(int fd, std::string_view data);

// Replaces a file's contents atomically: the bytes go to a new hidden file beside it
// (".NAME.zorvel-XXXXXX"), which
// is flushed to the disk and renamed over the target, so that a crash leaves either
// the old or the new file. The target keeps its permission bits. False on failure,
// with the target untouched.
bool ReplaceFileAtomically(const std::string& nativePath, std::string_view contents);

// Removes the hidden temporary files that writers of this file killed before their
// rename left behind. Only safe while holding the lock all writers of the file take.
void RemoveStaleTemporaries(const std::string& nativePath);

// Copies a file the same way: the target is replaced atomically (an existing target
// is overwritten; a missing folder is not created). False on failure.
bool CopyFileAtomically(const std::string& sourcePath, const std::string& targetPath);

}  // namespace zorvel
