#pragma once

#include <QString>

// The crash-report folders hold stacks, library paths and the user's feedback (name, e-mail,
// message): only the user may read them, so folders are 0700 and files 0600.
namespace PrivateFiles {
// Creates `folder` (with any missing parents) and makes it 0700. False if it is no folder then.
bool makeFolder(const QString& folder);
// Makes an existing `folder` 0700 and the files directly in it 0600, for what earlier versions
// wrote with the umask's modes. Symbolic links in it are not followed; a missing folder is fine.
void restrictFolder(const QString& folder);
} // namespace PrivateFiles
