/* The TWAIN 1.x protocol as our source manager speaks it: the records and codes of the public
 * protocol that the program uses, and the entry point.
 *
 * On this platform records have their natural alignment, a TW_HANDLE is a plain pointer, and a
 * capability container the source hands out (MSG_GET, MSG_GETCURRENT) is allocated with malloc:
 * the application frees it with free(). Image rows in a buffered memory transfer are padded to a
 * multiple of 4 bytes, as in a device-independent bitmap. */
#ifndef TESSALY_TWAIN_H
#define TESSALY_TWAIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t TW_UINT8;
typedef uint16_t TW_UINT16;
typedef int16_t TW_INT16;
typedef uint32_t TW_UINT32;
typedef int32_t TW_INT32;
typedef uint16_t TW_BOOL;
typedef void* TW_HANDLE;
typedef void* TW_MEMREF;
typedef char TW_STR32[34];

typedef struct {
  TW_INT16 Whole;
  TW_UINT16 Frac;
} TW_FIX32;

typedef struct {
  TW_UINT16 MajorNum;
  TW_UINT16 MinorNum;
  TW_UINT16 Language;
  TW_UINT16 Country;
  TW_STR32 Info;
} TW_VERSION;

typedef struct {
  TW_UINT32 Id;
  TW_VERSION Version;
  TW_UINT16 ProtocolMajor;
  TW_UINT16 ProtocolMinor;
  TW_UINT32 SupportedGroups;
  TW_STR32 Manufacturer;
  TW_STR32 ProductFamily;
  TW_STR32 ProductName;
} TW_IDENTITY, *pTW_IDENTITY;

typedef struct {
  TW_BOOL ShowUI;
  TW_BOOL ModalUI;
  TW_HANDLE hParent;
} TW_USERINTERFACE;

typedef struct {
  TW_UINT16 Cap;
  TW_UINT16 ConType;
  TW_HANDLE hContainer; /* a TW_ONEVALUE* for TWON_ONEVALUE */
} TW_CAPABILITY;

typedef struct {
  TW_UINT16 ItemType;
  TW_UINT32 Item; /* a TW_FIX32 is stored in the Item's bytes */
} TW_ONEVALUE;

typedef struct {
  TW_FIX32 XResolution;
  TW_FIX32 YResolution;
  TW_INT32 ImageWidth;
  TW_INT32 ImageLength;
  TW_INT16 SamplesPerPixel;
  TW_INT16 BitsPerSample[8];
  TW_INT16 BitsPerPixel;
  TW_BOOL Planar;
  TW_INT16 PixelType;
  TW_UINT16 Compression;
} TW_IMAGEINFO;

typedef struct {
  TW_UINT32 MinBufSize;
  TW_UINT32 MaxBufSize;
  TW_UINT32 Preferred;
} TW_SETUPMEMXFER;

typedef struct {
  TW_UINT32 Flags;
  TW_UINT32 Length;
  TW_MEMREF TheMem;
} TW_MEMORY;

typedef struct {
  TW_UINT16 Compression;
  TW_UINT32 BytesPerRow;
  TW_UINT32 Columns;
  TW_UINT32 Rows;
  TW_UINT32 XOffset;
  TW_UINT32 YOffset;
  TW_UINT32 BytesWritten;
  TW_MEMORY Memory;
} TW_IMAGEMEMXFER;

typedef struct {
  TW_UINT16 Count;
  TW_UINT32 EOJ;
} TW_PENDINGXFERS;

typedef struct {
  TW_MEMREF pEvent;
  TW_UINT16 TWMessage;
} TW_EVENT;

typedef struct {
  TW_UINT8 Index;
  TW_UINT8 Channel1;
  TW_UINT8 Channel2;
  TW_UINT8 Channel3;
} TW_ELEMENT8;

typedef struct {
  TW_UINT16 NumColors;
  TW_UINT16 PaletteType;
  TW_ELEMENT8 Colors[256];
} TW_PALETTE8;

typedef struct {
  TW_UINT16 ConditionCode;
  TW_UINT16 Reserved;
} TW_STATUS;

/* Data groups, data argument types, messages. */
#define DG_CONTROL 0x0001
#define DG_IMAGE 0x0002
#define DAT_CAPABILITY 0x0001
#define DAT_EVENT 0x0002
#define DAT_IDENTITY 0x0003
#define DAT_PARENT 0x0004
#define DAT_PENDINGXFERS 0x0005
#define DAT_SETUPMEMXFER 0x0006
#define DAT_STATUS 0x0008
#define DAT_USERINTERFACE 0x0009
#define DAT_IMAGEINFO 0x0101
#define DAT_IMAGEMEMXFER 0x0103
#define DAT_PALETTE8 0x0109
#define MSG_NULL 0x0000
#define MSG_GET 0x0001
#define MSG_GETCURRENT 0x0002
#define MSG_GETDEFAULT 0x0003
#define MSG_GETFIRST 0x0004
#define MSG_GETNEXT 0x0005
#define MSG_SET 0x0006
#define MSG_RESET 0x0007
#define MSG_XFERREADY 0x0101
#define MSG_CLOSEDSREQ 0x0102
#define MSG_CLOSEDSOK 0x0103
#define MSG_OPENDSM 0x0301
#define MSG_CLOSEDSM 0x0302
#define MSG_OPENDS 0x0401
#define MSG_CLOSEDS 0x0402
#define MSG_DISABLEDS 0x0501
#define MSG_ENABLEDS 0x0502
#define MSG_PROCESSEVENT 0x0601
#define MSG_ENDXFER 0x0701

/* Return and condition codes. */
#define TWRC_SUCCESS 0
#define TWRC_FAILURE 1
#define TWRC_CHECKSTATUS 2
#define TWRC_CANCEL 3
#define TWRC_DSEVENT 4
#define TWRC_NOTDSEVENT 5
#define TWRC_XFERDONE 6
#define TWRC_ENDOFLIST 7
#define TWCC_SUCCESS 0
#define TWCC_BUMMER 1
#define TWCC_LOWMEMORY 2
#define TWCC_NODS 3
#define TWCC_OPERATIONERROR 5
#define TWCC_BADCAP 6
#define TWCC_BADPROTOCOL 9
#define TWCC_BADVALUE 10
#define TWCC_SEQERROR 11
#define TWCC_BADDEST 12

/* Capabilities and their values. */
#define ICAP_PIXELTYPE 0x0101
#define ICAP_UNITS 0x0102
#define ICAP_XFERMECH 0x0103
#define ICAP_PIXELFLAVOR 0x011f
#define ICAP_XRESOLUTION 0x1118
#define ICAP_YRESOLUTION 0x1119
#define TWON_ONEVALUE 5
#define TWTY_UINT16 4
#define TWTY_FIX32 7
#define TWSX_NATIVE 0
#define TWSX_FILE 1
#define TWSX_MEMORY 2
#define TWUN_INCHES 0
#define TWUN_CENTIMETERS 1
#define TWPT_BW 0
#define TWPT_GRAY 1
#define TWPT_RGB 2
#define TWPF_CHOCOLATE 0
#define TWPF_VANILLA 1
#define TWMF_APPOWNS 0x0001
#define TWMF_POINTER 0x0008
#define TWCP_NONE 0
#define TWLG_USA 13
#define TWCY_USA 1

/* The manager's entry point, found by name in the library "libTWAIN_32.so". pDest is the source
 * for triplets addressed to it, null for the manager's own. */
typedef TW_UINT16 (*DSMENTRYPROC)(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG,
                                  TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData);
__attribute__((visibility("default"))) TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest,
                                                           TW_UINT32 DG, TW_UINT16 DAT,
                                                           TW_UINT16 MSG, TW_MEMREF pData);

#ifdef __cplusplus
}
#endif

#endif /* TESSALY_TWAIN_H */
