// The client's own texts that others rely on: the lines of the update log,
// which its readers and the tests match word for word, the lines on the
// debugger output, and the questions of the skinned message box. They are
// fixed: the misspellings are part of them, so do not correct any of them,
// and write them nowhere else (use these names, in comments too). Formats
// take wide strings as %ls.
#pragma once

// ---------------------------------------------------------------- update log

// One entry: date, time, module name, message (app/UpdateLog.h).
inline constexpr wchar_t kLogLineFormat[] = L"%2d-%2d-%2d %2d:%2d:%2d : \t%ls\t%ls";
inline constexpr wchar_t kLogModuleName[] = L"UpdateModule";
// Ends the lines of one check or one hand-over.
inline constexpr wchar_t kLogSeparator[] = L"=====================";

// The hand-over mode (app/Modes.h).
inline constexpr wchar_t kLogHandOverException[] = L"Try Commond -d Exception";  // then the exception's text
inline constexpr wchar_t kLogHandOverFailure[] = L"Update failure.Error Code:%ld";
inline constexpr wchar_t kLogHandOverMd5[] = L"Finish download,current file md5=";  // then the digest
inline constexpr wchar_t kLogHandOverVersion[] = L"Update success.Current Version:";  // then the version

// The version check (update/VersionCheck.h). Its first line is the request
// URL: base URL, path and query, version.
inline constexpr wchar_t kCheckUrlFormat[] = L"%ls/%ls%ls";
inline constexpr wchar_t kLogStatusCode[] = L"Http QueryInfoStatusCode:%ld";
inline constexpr wchar_t kLogServerAnswer[] = L"Server response check version msg:";  // then the answer
inline constexpr wchar_t kLogNoUpdate[] = L"Finish Update.";
// A failed transfer of the check or the download; then the failure's text.
inline constexpr wchar_t kLogTransferFailure[] = L"Try Download File Exception";

// The download (update/Download.h).
inline constexpr wchar_t kLogDownloadUrl[] = L"ExcuUpdate,URL=";  // then the URL
inline constexpr wchar_t kLogContentLength[] = L"Content length:%lld";
inline constexpr wchar_t kLogNothingToDownload[] = L"ERROR!Before download dwFileSize == dwToatlSize,exit";
inline constexpr wchar_t kLogDownloadSize[] = L"Finish download,file size=%lld";
inline constexpr wchar_t kLogDownloadMd5[] = L"Finish download,file md5=";  // then the digest
// Lines this client adds after the download: a refused file (then the
// check's reason) and a hand-over that could not start.
inline constexpr wchar_t kLogCheckFailure[] = L"Check download file failure.";
inline constexpr wchar_t kLogStartFailure[] = L"Start download file failure.Error Code:%ld";

// The version text of a file without a version resource (app/FileUtils.h),
// sent to the version server as it is.
inline constexpr wchar_t kNoVersionText[] = L"None VerSion Supprot";

// ---------------------------------------------------------------- debugger output

// The cache cleaner (mainwnd/CacheCleaner.h): the two looks at the URL
// cache, the temporary internet files folder, a folder started and a file
// deleted (the same text, with the bare file name), a file not deleted.
inline constexpr wchar_t kDebugFirstLookSize[] = L"*******第一次查找缓存:缓存大小为:%d。************\r\n";
inline constexpr wchar_t kDebugFirstLookNone[] = L"*******第一次查找缓存:未找到缓存。************\r\n";
inline constexpr wchar_t kDebugSecondLookSize[] = L"*******第二次查找缓存:缓存大小为:%d。************\r\n";
inline constexpr wchar_t kDebugSecondLookNone[] = L"*******第二次查找缓存:未找到缓存。************\r\n";
inline constexpr wchar_t kDebugCacheFolder[] = L"临时文件夹路径为:%ls\r\n";
inline constexpr wchar_t kDebugCleaning[] = L"开始清理%ls文件夹\r\n";
inline constexpr wchar_t kDebugDeleteFailed[] = L"***********删除文件:%ls失败，错误代码:%d******************\r\n";

// A click on a link in the game view, with the link's href.
inline constexpr wchar_t kDebugLinkClick[] = L"单击事件:%ls\r\n";

// ---------------------------------------------------------------- message box

// The title of a message box nobody gave one (widgets/CustomMessageBox.h).
inline constexpr wchar_t kDefaultBoxTitle[] = L"温馨提示";
// Closing the main window or the login window, with string 104.
inline constexpr wchar_t kCloseCaption[] = L"关闭提示";
inline constexpr wchar_t kCloseQuestion[] = L"是否退出%ls？";
// Choosing another server.
inline constexpr wchar_t kReselectCaption[] = L"选服";
inline constexpr wchar_t kReselectQuestion[] = L"您是否退出当前服务器，重新选择新服务器？";
// Uninstall stage one, with the game title.
inline constexpr wchar_t kUninstallCaption[] = L"卸载";
inline constexpr wchar_t kUninstallQuestion[] = L"您是否确认卸载《%ls》？";
