// Saving a whole text file the operator named, the way array files are
// saved: aside first and put in place whole, so a failure leaves the old
// contents.
#ifndef PLATFORM_TEXTFILE_H
#define PLATFORM_TEXTFILE_H

// Makes the `size` bytes of `text` the whole new contents of `file`. 0, or
// AFE_OPEN, AFE_WRITE or AFE_ARGUMENT of platform/ui.h.
int TextToFile(const char *file, const char *text, int size);

#endif
