// PosixProfile.h - the host profile kept in memory, for exercising its reader and writer.
#ifndef VARNOK_FRAMEWORK_POSIX_POSIXPROFILE_H
#define VARNOK_FRAMEWORK_POSIX_POSIXPROFILE_H

#include <string>

namespace posix {

// Every profile is read from and written to *pText instead of its file (null: files again).
void SetProfileMemory(std::string* pText);

}  // namespace posix

#endif  // VARNOK_FRAMEWORK_POSIX_POSIXPROFILE_H
