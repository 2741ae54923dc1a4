// Declarations of the PostScript driver UI's plug-in interface that mingw-w64 does not ship:
// the records the host hands to a UI plug-in, the three COM interfaces and their ids, and the
// constants of the plug-in protocol. Layouts are checked below for both targets, since the
// host is built with another compiler and any drift would corrupt its memory.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <windows.h>
#include <compstui.h>
#include <prsht.h>
#include <winddiui.h>
#include <winspool.h>

#include <cstddef>

typedef ULONG FLONG;

// ---- constants of the plug-in protocol --------------------------------------------------------

#define OEMGI_GETSIGNATURE 1
#define OEMGI_GETINTERFACEVERSION 2
#define OEMGI_GETVERSION 3
#define OEMGI_GETPUBLISHERINFO 4
#define OEMGI_GETREQUESTEDHELPERINTERFACES 5

#define OEMDM_SIZE 1
#define OEMDM_DEFAULT 2
#define OEMDM_CONVERT 3
#define OEMDM_MERGE 4

#define OEMCUIP_DOCPROP 1
#define OEMCUIP_PRNPROP 2

#define QCP_DEVICEPROFILE 0
#define QCP_SOURCEPROFILE 1
#define QCP_PROFILEMEMORY 1
#define QCP_PROFILEDISK 2

#define S_DEVCAP_OUTPUT_FULL_REPLACEMENT ((HRESULT)0x0004DC01L)

#ifndef DM_ADVANCED
#define DM_ADVANCED 0x10
#endif
#ifndef DM_NOPERMISSION
#define DM_NOPERMISSION 0x20
#endif
#ifndef DM_USER_DEFAULT
#define DM_USER_DEFAULT 0x40
#endif
#define DPS_NOPERMISSION 1

#ifndef PROPSHEETUI_REASON_BEFORE_INIT
#define PROPSHEETUI_REASON_BEFORE_INIT 5
#endif

// ---- records ----------------------------------------------------------------------------------

typedef struct _OEM_DMEXTRAHEADER {
  DWORD dwSize;
  DWORD dwSignature;
  DWORD dwVersion;
} OEM_DMEXTRAHEADER, *POEM_DMEXTRAHEADER;

typedef struct _OEMDMPARAM {
  DWORD cbSize;
  PVOID pdriverobj;
  HANDLE hPrinter;
  HANDLE hModule;
  PDEVMODEW pPublicDMIn;
  PDEVMODEW pPublicDMOut;
  PVOID pOEMDMIn;
  PVOID pOEMDMOut;
  DWORD cbBufSize;
} OEMDMPARAM, *POEMDMPARAM;

typedef BOOL(APIENTRY* PFN_DrvGetDriverSetting)(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                DWORD cbSize, PDWORD pcbNeeded,
                                                PDWORD pdwOptionsReturned);
typedef BOOL(APIENTRY* PFN_DrvUpdateUISetting)(PVOID pdriverobj, PVOID pOptItem,
                                               DWORD dwPreviousSelection, DWORD dwMode);

typedef struct _OEMUIPROCS {
  PFN_DrvGetDriverSetting DrvGetDriverSetting;
  PFN_DrvUpdateUISetting DrvUpdateUISetting;
} OEMUIPROCS, *POEMUIPROCS;

typedef struct _OEMUIOBJ {
  DWORD cbSize;
  POEMUIPROCS pOemUIProcs;
} OEMUIOBJ, *POEMUIOBJ;

struct _OEMCUIPPARAM;
typedef LONG(APIENTRY* OEMCUIPCALLBACK)(PCPSUICBPARAM, struct _OEMCUIPPARAM*);

typedef struct _OEMCUIPPARAM {
  DWORD cbSize;
  POEMUIOBJ poemuiobj;
  HANDLE hPrinter;
  PWSTR pPrinterName;
  HANDLE hModule;
  HANDLE hOEMHeap;
  PDEVMODEW pPublicDM;
  PVOID pOEMDM;
  DWORD dwFlags;
  POPTITEM pDrvOptItems;
  DWORD cDrvOptItems;
  POPTITEM pOEMOptItems;
  DWORD cOEMOptItems;
  PVOID pOEMUserData;
  OEMCUIPCALLBACK OEMCUIPCallback;
} OEMCUIPPARAM, *POEMCUIPPARAM;

typedef struct _OEMUIPSPARAM {
  DWORD cbSize;
  POEMUIOBJ poemuiobj;
  HANDLE hPrinter;
  PWSTR pPrinterName;
  HANDLE hModule;
  HANDLE hOEMHeap;
  PDEVMODEW pPublicDM;
  PVOID pOEMDM;
  PVOID pOEMUserData;
  DWORD dwFlags;
  PVOID pOemEntry;
} OEMUIPSPARAM, *POEMUIPSPARAM;

typedef struct _USERDATA {
  DWORD dwSize;
  ULONG_PTR dwItemID;
  PSTR pKeyWordName;
  DWORD dwReserved[8];
} USERDATA, *PUSERDATA;

typedef struct _DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;

typedef struct _DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;

typedef struct _DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;

// mingw declares PFNPROPSHEETUI without a calling convention; the host calls it as stdcall.
typedef LONG(CALLBACK* PFNPROPSHEETUI_STDCALL)(PPROPSHEETUI_INFO, LPARAM);

// ---- interfaces -------------------------------------------------------------------------------

// wingdi.h renames DeviceCapabilities to DeviceCapabilitiesW; the vtable slot keeps its place,
// but the method must be declared under its own name.
#pragma push_macro("DeviceCapabilities")
#undef DeviceCapabilities

struct IPrintOemCommon : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                            PDWORD pcbNeeded) = 0;
  virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) = 0;
};

struct IPrintOemUI : public IPrintOemCommon {
  virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) = 0;
  virtual HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam) = 0;
  virtual HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                           LPARAM lParam) = 0;
  virtual HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                         LPARAM lParam) = 0;
  virtual HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ poemuiobj,
                                                    PDEVQUERYPRINT_INFO pDQPInfo,
                                                    PDEVMODEW pPublicDM, PVOID pOEMDM) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ poemuiobj, HANDLE hPrinter,
                                                       PWSTR pDeviceName, WORD wCapability,
                                                       PVOID pOutput, PDEVMODEW pPublicDM,
                                                       PVOID pOEMDM, DWORD dwOld,
                                                       DWORD* dwResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD dwLevel, PBYTE pDriverUpgradeInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR pPrinterName, INT iDriverEvent,
                                                 DWORD dwFlags, LPARAM lParam) = 0;
  virtual HRESULT STDMETHODCALLTYPE DriverEvent(DWORD dwDriverEvent, DWORD dwLevel,
                                                LPBYTE pDriverInfo, LPARAM lParam) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE hPrinter, POEMUIOBJ poemuiobj,
                                                      PDEVMODEW pPublicDM, PVOID pOEMDM,
                                                      ULONG ulQueryMode, VOID* pvProfileData,
                                                      ULONG* pcbProfileData,
                                                      FLONG* pflProfileData) = 0;
  virtual HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND hWnd, UINT usMsg, WPARAM wParam,
                                                         LPARAM lParam) = 0;
  virtual HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE hPrinter, HANDLE hHeap,
                                                        PWSTR pwstrCartridges) = 0;
};

#pragma pop_macro("DeviceCapabilities")

// Implemented by the host: the services a plug-in may ask of the driver's user interface.
struct IPrintOemDriverUI : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pci, PCSTR Feature, PVOID pOutput,
                                                        DWORD cbSize, PDWORD pcbNeeded,
                                                        PDWORD pdwOptionsReturned) = 0;
  virtual HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE hPrinter, PCSTR pFeature,
                                                              PCSTR pOption) = 0;
  virtual HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID pci, PVOID pOptItem,
                                                       DWORD dwPreviousSelection, DWORD dwMode) = 0;
};

// {ABCE80D7-9F46-11D1-882A-00C04FB961EC}
inline constexpr GUID CLSID_OEMUI = {
    0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
// {C6A7A9D0-774C-11D1-947F-00A0C90640B8}
inline constexpr GUID IID_IPrintOemUI = {
    0xC6A7A9D0, 0x774C, 0x11D1, {0x94, 0x7F, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
// {92B05D50-78BC-11D1-9480-00A0C90640B8}
inline constexpr GUID IID_IPrintOemDriverUI = {
    0x92B05D50, 0x78BC, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};

// ---- layout checks ----------------------------------------------------------------------------

#define KV_CHECK_OFFSET(type, field, x64, x86) \
  static_assert(offsetof(type, field) == (sizeof(void*) == 8 ? (x64) : (x86)), #type "." #field)
#define KV_CHECK_SIZE(type, x64, x86) \
  static_assert(sizeof(type) == (sizeof(void*) == 8 ? (x64) : (x86)), "sizeof " #type)

KV_CHECK_SIZE(OEM_DMEXTRAHEADER, 12, 12);
KV_CHECK_OFFSET(OEM_DMEXTRAHEADER, dwSignature, 4, 4);
KV_CHECK_OFFSET(OEM_DMEXTRAHEADER, dwVersion, 8, 8);

KV_CHECK_SIZE(OEMDMPARAM, 72, 36);
KV_CHECK_OFFSET(OEMDMPARAM, pdriverobj, 8, 4);
KV_CHECK_OFFSET(OEMDMPARAM, hPrinter, 16, 8);
KV_CHECK_OFFSET(OEMDMPARAM, hModule, 24, 12);
KV_CHECK_OFFSET(OEMDMPARAM, pPublicDMIn, 32, 16);
KV_CHECK_OFFSET(OEMDMPARAM, pPublicDMOut, 40, 20);
KV_CHECK_OFFSET(OEMDMPARAM, pOEMDMIn, 48, 24);
KV_CHECK_OFFSET(OEMDMPARAM, pOEMDMOut, 56, 28);
KV_CHECK_OFFSET(OEMDMPARAM, cbBufSize, 64, 32);

KV_CHECK_SIZE(OEMCUIPPARAM, 120, 60);
KV_CHECK_OFFSET(OEMCUIPPARAM, poemuiobj, 8, 4);
KV_CHECK_OFFSET(OEMCUIPPARAM, hPrinter, 16, 8);
KV_CHECK_OFFSET(OEMCUIPPARAM, pPrinterName, 24, 12);
KV_CHECK_OFFSET(OEMCUIPPARAM, hModule, 32, 16);
KV_CHECK_OFFSET(OEMCUIPPARAM, hOEMHeap, 40, 20);
KV_CHECK_OFFSET(OEMCUIPPARAM, pPublicDM, 48, 24);
KV_CHECK_OFFSET(OEMCUIPPARAM, pOEMDM, 56, 28);
KV_CHECK_OFFSET(OEMCUIPPARAM, dwFlags, 64, 32);
KV_CHECK_OFFSET(OEMCUIPPARAM, pDrvOptItems, 72, 36);
KV_CHECK_OFFSET(OEMCUIPPARAM, cDrvOptItems, 80, 40);
KV_CHECK_OFFSET(OEMCUIPPARAM, pOEMOptItems, 88, 44);
KV_CHECK_OFFSET(OEMCUIPPARAM, cOEMOptItems, 96, 48);
KV_CHECK_OFFSET(OEMCUIPPARAM, pOEMUserData, 104, 52);
KV_CHECK_OFFSET(OEMCUIPPARAM, OEMCUIPCallback, 112, 56);

KV_CHECK_SIZE(OEMUIPSPARAM, 88, 44);
KV_CHECK_OFFSET(OEMUIPSPARAM, poemuiobj, 8, 4);
KV_CHECK_OFFSET(OEMUIPSPARAM, hPrinter, 16, 8);
KV_CHECK_OFFSET(OEMUIPSPARAM, pPrinterName, 24, 12);
KV_CHECK_OFFSET(OEMUIPSPARAM, hModule, 32, 16);
KV_CHECK_OFFSET(OEMUIPSPARAM, hOEMHeap, 40, 20);
KV_CHECK_OFFSET(OEMUIPSPARAM, pPublicDM, 48, 24);
KV_CHECK_OFFSET(OEMUIPSPARAM, pOEMDM, 56, 28);
KV_CHECK_OFFSET(OEMUIPSPARAM, pOEMUserData, 64, 32);
KV_CHECK_OFFSET(OEMUIPSPARAM, dwFlags, 72, 36);
KV_CHECK_OFFSET(OEMUIPSPARAM, pOemEntry, 80, 40);

KV_CHECK_SIZE(USERDATA, 56, 44);
KV_CHECK_OFFSET(USERDATA, dwItemID, 8, 4);
KV_CHECK_OFFSET(USERDATA, pKeyWordName, 16, 8);
KV_CHECK_OFFSET(USERDATA, dwReserved, 24, 12);

KV_CHECK_SIZE(OEMUIOBJ, 16, 8);
KV_CHECK_OFFSET(OEMUIOBJ, pOemUIProcs, 8, 4);
KV_CHECK_SIZE(OEMUIPROCS, 16, 8);
KV_CHECK_OFFSET(OEMUIPROCS, DrvUpdateUISetting, 8, 4);

KV_CHECK_SIZE(DEVQUERYPRINT_INFO, 40, 24);
KV_CHECK_OFFSET(DEVQUERYPRINT_INFO, Level, 2, 2);
KV_CHECK_OFFSET(DEVQUERYPRINT_INFO, hPrinter, 8, 4);
KV_CHECK_OFFSET(DEVQUERYPRINT_INFO, pDevMode, 16, 8);
KV_CHECK_OFFSET(DEVQUERYPRINT_INFO, pszErrorStr, 24, 12);
KV_CHECK_OFFSET(DEVQUERYPRINT_INFO, cchErrorStr, 32, 16);
KV_CHECK_OFFSET(DEVQUERYPRINT_INFO, cchNeeded, 36, 20);

KV_CHECK_SIZE(DOCUMENTPROPERTYHEADER, 48, 28);
KV_CHECK_OFFSET(DOCUMENTPROPERTYHEADER, hPrinter, 8, 4);
KV_CHECK_OFFSET(DOCUMENTPROPERTYHEADER, pszPrinterName, 16, 8);
KV_CHECK_OFFSET(DOCUMENTPROPERTYHEADER, pdmIn, 24, 12);
KV_CHECK_OFFSET(DOCUMENTPROPERTYHEADER, pdmOut, 32, 16);
KV_CHECK_OFFSET(DOCUMENTPROPERTYHEADER, cbOut, 40, 20);
KV_CHECK_OFFSET(DOCUMENTPROPERTYHEADER, fMode, 44, 24);

KV_CHECK_SIZE(DEVICEPROPERTYHEADER, 24, 12);
KV_CHECK_OFFSET(DEVICEPROPERTYHEADER, Flags, 2, 2);
KV_CHECK_OFFSET(DEVICEPROPERTYHEADER, hPrinter, 8, 4);
KV_CHECK_OFFSET(DEVICEPROPERTYHEADER, pszPrinterName, 16, 8);

// The common property-sheet records come from mingw's compstui.h and prsht.h; check that
// they agree with the host's layout before anything is built on them.
KV_CHECK_SIZE(OPTITEM, 88, 52);
KV_CHECK_OFFSET(OPTITEM, Flags, 4, 4);
KV_CHECK_OFFSET(OPTITEM, UserData, 8, 8);
KV_CHECK_OFFSET(OPTITEM, pName, 16, 12);
KV_CHECK_OFFSET(OPTITEM, Sel, 24, 16);
KV_CHECK_OFFSET(OPTITEM, pOptType, 40, 24);
KV_CHECK_OFFSET(OPTITEM, DMPubID, 52, 32);
KV_CHECK_OFFSET(OPTITEM, dwReserved, 64, 40);
KV_CHECK_SIZE(OPTTYPE, 48, 32);
KV_CHECK_OFFSET(OPTTYPE, pOptParam, 8, 8);
KV_CHECK_OFFSET(OPTTYPE, Style, 16, 12);
KV_CHECK_SIZE(OPTPARAM, 48, 24);
KV_CHECK_OFFSET(OPTPARAM, pData, 8, 4);
KV_CHECK_OFFSET(OPTPARAM, IconID, 16, 8);
KV_CHECK_SIZE(CPSUICBPARAM, 64, 32);
KV_CHECK_OFFSET(CPSUICBPARAM, pCurItem, 32, 16);
KV_CHECK_OFFSET(CPSUICBPARAM, OldSel, 40, 20);
KV_CHECK_OFFSET(CPSUICBPARAM, Result, 56, 28);
KV_CHECK_SIZE(PROPSHEETUI_INFO, 48, 28);
KV_CHECK_OFFSET(PROPSHEETUI_INFO, hComPropSheet, 8, 8);
KV_CHECK_OFFSET(PROPSHEETUI_INFO, pfnComPropSheet, 16, 12);
KV_CHECK_OFFSET(PROPSHEETUI_INFO, lParamInit, 24, 16);
KV_CHECK_OFFSET(PROPSHEETUI_INFO, UserData, 32, 20);
KV_CHECK_OFFSET(PROPSHEETUI_INFO, Result, 40, 24);
KV_CHECK_SIZE(PROPSHEETUI_INFO_HEADER, 40, 20);
KV_CHECK_SIZE(SETRESULT_INFO, 24, 12);
KV_CHECK_OFFSET(SETRESULT_INFO, Result, 16, 8);
KV_CHECK_SIZE(PROPSHEETPAGEW, 96, 52);
KV_CHECK_OFFSET(PROPSHEETPAGEW, hActCtx, 88, 48);
