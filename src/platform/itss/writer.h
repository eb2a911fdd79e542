#pragma once
// The writing half of the storage engine: creating a new ITSF file.
#include "platform/itss/storage.h"

namespace itss {

// Creates the file at path at once and returns its root storage in *out. The
// complete container is written when the last reference to the root goes.
// mode: STGM_CREATE set overwrites an existing file; without it an existing
// file fails with STG_E_FILEALREADYEXISTS. control is the record given to
// SetControlData (directory block size, compress flag, LZX parameters).
HRESULT createDocfile(const char* path, DWORD mode, const ITS_Control_Data& control,
                      IStorage** out);

}  // namespace itss
