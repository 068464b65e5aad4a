// The system functions bound on their first call (see base/DeferredImport.h): everything from the
// DLLs below that the installer, libcurl or the tests use. A function missing here that something
// calls brings its DLL back into the import table; tools/check-installer.sh refuses that.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <shlobj.h>
#include <shellapi.h>
#include <oleacc.h>
#include <winhttp.h>
#include <restartmanager.h>
#include <winver.h>

#include "base/DeferredImport.h"

// Sockets: libcurl, from its global set-up on the worker thread on.
ORB_DEFER_IMPORT(L"ws2_32.dll", __WSAFDIsSet, 8);
ORB_DEFER_IMPORT(L"ws2_32.dll", accept, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", bind, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", closesocket, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", connect, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", freeaddrinfo, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", getaddrinfo, 16);
ORB_DEFER_IMPORT(L"ws2_32.dll", getpeername, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", getsockname, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", getsockopt, 20);
ORB_DEFER_IMPORT(L"ws2_32.dll", htonl, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", htons, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", inet_ntop, 16);
ORB_DEFER_IMPORT(L"ws2_32.dll", inet_pton, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", ioctlsocket, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", listen, 8);
ORB_DEFER_IMPORT(L"ws2_32.dll", ntohs, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", recv, 16);
ORB_DEFER_IMPORT(L"ws2_32.dll", select, 20);
ORB_DEFER_IMPORT(L"ws2_32.dll", send, 16);
ORB_DEFER_IMPORT(L"ws2_32.dll", setsockopt, 20);
ORB_DEFER_IMPORT(L"ws2_32.dll", socket, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSACleanup, 0);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSACloseEvent, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSACreateEvent, 0);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSAEnumNetworkEvents, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSAEventSelect, 12);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSAGetLastError, 0);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSAIoctl, 36);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSAResetEvent, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSASetEvent, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSASetLastError, 4);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSAStartup, 8);
ORB_DEFER_IMPORT(L"ws2_32.dll", WSAWaitForMultipleEvents, 20);

// libcurl's random numbers.
ORB_DEFER_IMPORT(L"bcrypt.dll", BCryptGenRandom, 16);

// The system's proxy settings and auto-configuration (engine/SystemProxy), asked on the worker thread.
ORB_DEFER_IMPORT(L"winhttp.dll", WinHttpCloseHandle, 4);
ORB_DEFER_IMPORT(L"winhttp.dll", WinHttpGetIEProxyConfigForCurrentUser, 4);
ORB_DEFER_IMPORT(L"winhttp.dll", WinHttpGetProxyForUrl, 16);
ORB_DEFER_IMPORT(L"winhttp.dll", WinHttpOpen, 20);

// Schannel's certificate checks in libcurl, and the publisher certificate of the package's signatures.
ORB_DEFER_IMPORT(L"crypt32.dll", CertAddCertificateContextToStore, 16);
ORB_DEFER_IMPORT(L"crypt32.dll", CertCloseStore, 8);
ORB_DEFER_IMPORT(L"crypt32.dll", CertCreateCertificateChainEngine, 8);
ORB_DEFER_IMPORT(L"crypt32.dll", CertEnumCertificatesInStore, 8);
ORB_DEFER_IMPORT(L"crypt32.dll", CertFindCertificateInStore, 24);
ORB_DEFER_IMPORT(L"crypt32.dll", CertFindExtension, 12);
ORB_DEFER_IMPORT(L"crypt32.dll", CertFreeCertificateChain, 4);
ORB_DEFER_IMPORT(L"crypt32.dll", CertFreeCertificateChainEngine, 4);
ORB_DEFER_IMPORT(L"crypt32.dll", CertFreeCertificateContext, 4);
ORB_DEFER_IMPORT(L"crypt32.dll", CertGetCertificateChain, 32);
ORB_DEFER_IMPORT(L"crypt32.dll", CertGetNameStringA, 24);
ORB_DEFER_IMPORT(L"crypt32.dll", CertOpenStore, 20);
ORB_DEFER_IMPORT(L"crypt32.dll", CryptDecodeObjectEx, 32);
ORB_DEFER_IMPORT(L"crypt32.dll", CryptHashCertificate, 28);
ORB_DEFER_IMPORT(L"crypt32.dll", CryptMsgClose, 4);
ORB_DEFER_IMPORT(L"crypt32.dll", CryptMsgGetParam, 20);
ORB_DEFER_IMPORT(L"crypt32.dll", CryptQueryObject, 44);
ORB_DEFER_IMPORT(L"crypt32.dll", CryptStringToBinaryA, 28);
ORB_DEFER_IMPORT(L"crypt32.dll", PFXImportCertStore, 12);

// The Authenticode check of the unpacked package.
ORB_DEFER_IMPORT(L"wintrust.dll", WinVerifyTrust, 12);

// The main executable's version, checked after the package is unpacked. VERSION.dll is no KnownDLL,
// so imported it would be looked for beside the installer first.
ORB_DEFER_IMPORT(L"version.dll", GetFileVersionInfoSizeW, 8);
ORB_DEFER_IMPORT(L"version.dll", GetFileVersionInfoW, 16);
ORB_DEFER_IMPORT(L"version.dll", VerQueryValueW, 16);

// Folder paths, the folder picker, starting the product and creating folders.
ORB_DEFER_IMPORT(L"shell32.dll", SHBrowseForFolderW, 4);
ORB_DEFER_IMPORT(L"shell32.dll", SHCreateDirectoryExW, 12);
ORB_DEFER_IMPORT(L"shell32.dll", ShellExecuteW, 24);
ORB_DEFER_IMPORT(L"shell32.dll", SHGetFolderPathW, 20);
ORB_DEFER_IMPORT(L"shell32.dll", SHGetPathFromIDListW, 8);

// Which processes hold the installed product's files, asked only when the new version cannot take
// the old one's place.
ORB_DEFER_IMPORT(L"rstrtmgr.dll", RmEndSession, 4);
ORB_DEFER_IMPORT(L"rstrtmgr.dll", RmGetList, 20);
ORB_DEFER_IMPORT(L"rstrtmgr.dll", RmRegisterResources, 28);
ORB_DEFER_IMPORT(L"rstrtmgr.dll", RmStartSession, 12);

// Active Accessibility, first asked for when a screen reader or UI automation looks at the window.
ORB_DEFER_IMPORT(L"oleacc.dll", CreateStdAccessibleObject, 16);
ORB_DEFER_IMPORT(L"oleacc.dll", LresultFromObject, 12);
