// What the passes treat as a link.
#include "PassHelpers.h"

BOOL IsLink(DWORD dwAttributes, DWORD dwTag)
{
    // A reparse point that stands for another name: junctions, mount points,
    // symbolic links; Wine lists a Linux symlink with tag 0. Every other
    // reparse point (cloud placeholders, deduplicated or compressed files)
    // is an ordinary file or folder with data of its own.
    return (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && (dwTag == 0 || IsReparseTagNameSurrogate(dwTag));
}

BOOL IsHiddenSystemFolder(DWORD dwAttributes)
{
    // The compatibility junctions of every profile ("My Music", "Application
    // Data") and "System Volume Information" at a drive root: they cannot be
    // listed, and are no one's files.
    const DWORD dwMarks = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (dwAttributes & dwMarks) == dwMarks;
}
