// Why a file of the files folder is not offered for a device, in the words
// of the user texts: the rule its name fails, or what its first line lacks.
#pragma once

#include <cstddef>

#include "firmware/catalogue.h"

void FileMisfitReason(const CatalogueCheck& check, const CatalogueDevice& device, char* out, size_t size);
