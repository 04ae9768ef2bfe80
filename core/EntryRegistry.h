// The system's entry functions register themselves in the table of platform/os/EntryTable.h with
// VQ_EXPORT_ENTRY(function, loginArg).
#pragma once

#include "platform/os/EntryTable.h"
