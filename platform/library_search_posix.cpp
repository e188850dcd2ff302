// The library search needs no limit outside Windows.
#include "platform/library_search.h"

void RestrictLibrarySearch() {}
