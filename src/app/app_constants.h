#pragma once
// Values shared by the installer's instances and by whatever talks to a running installer.

namespace app {

// Names the single-instance mutex and, as its window class, the hidden IPC window.
inline constexpr wchar_t kInstanceName[] = L"{2266E930-7040-4A6B-B7C8-E44663785cdd}";

// Posted by a second instance: bring the main window to the front.
inline constexpr unsigned kMessageShowMainFrame = 11123;
// Posted by the emulator's offline installer: it failed, wParam is its error code.
inline constexpr unsigned kMessagePlayerInstallError = 11124;

// Under the roaming application-data folder.
inline constexpr wchar_t kDataFolder[] = L"\\vuzarezorize_da\\";
inline constexpr wchar_t kFontFolder[] = L"\\vuzarezorize_da\\fonts\\";
inline constexpr wchar_t kLogFileName[] = L"downloader.log";

// Resources of type "ZIPRES" in the program's own file.
inline constexpr wchar_t kArchiveResourceType[] = L"ZIPRES";
inline constexpr int kSkinArchiveId = 129;
inline constexpr int kFontArchiveId = 130;
inline constexpr wchar_t kLanguageTableName[] = L"multi_language.tsv";

}  // namespace app
