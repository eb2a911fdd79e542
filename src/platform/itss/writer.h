#pragma once
// The writing half of the storage engine: creating a new ITSF file.
#include "platform/itss/storage.h"

namespace itss {

// Begins a new file at path and returns its root storage in *out. The file
// is written to a new temporary file in path's folder and takes path's place
// only when complete: on the root's Commit, or when the last reference to the
// root goes; Revert drops it. Until then path stays as it was.
// mode: STGM_CREATE set replaces an existing file; without it an existing
// file fails with STG_E_FILEALREADYEXISTS. A path that is read-only, or in a
// read-only folder, fails with STG_E_ACCESSDENIED; one that is a folder,
// FIFO, device or socket with STG_E_INVALIDNAME. control is the record given
// to SetControlData (directory block size, compress flag, LZX parameters).
HRESULT createDocfile(const char* path, DWORD mode, const ITS_Control_Data& control,
                      IStorage** out);

}  // namespace itss
