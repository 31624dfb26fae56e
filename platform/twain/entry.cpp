// The library's one export. Nothing thrown inside may leave it: a failure nobody answered closes
// every session and is reported as a failure.
#include "source_manager.h"

using tessaly::twain::SourceManager;

extern "C" TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG,
                               TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData) {
  try {
    return SourceManager::instance().entry(pOrigin, pDest, DG, DAT, MSG, pData);
  } catch (...) {
    try {
      SourceManager::instance().reset();
    } catch (...) {
    }
    return TWRC_FAILURE;
  }
}
