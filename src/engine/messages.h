// Numbers of the message-table entries the engine and the commands use.
#pragma once

namespace tarnvold::msg {

inline constexpr int kFolderProgress = 13;
inline constexpr int kCrcCheck = 21;
inline constexpr int kCrc = 22;
inline constexpr int kScanning = 26;
inline constexpr int kCodingFilesIn = 27;
inline constexpr int kDecodingFilesIn = 28;
inline constexpr int kFileExists = 29;
inline constexpr int kDecodingAborted = 30;
inline constexpr int kStartingDecode = 31;
inline constexpr int kLevel1Decoding = 32;
inline constexpr int kLevel2Decoding = 33;
inline constexpr int kNotCodedFile = 34;
inline constexpr int kNewerVersion = 35;
inline constexpr int kOriginalCrc = 36;
inline constexpr int kCrcMismatch = 37;
inline constexpr int kDecodingFinished = 38;
inline constexpr int kStartingCode = 39;
inline constexpr int kCodingAborted = 40;
inline constexpr int kLevel1Coding = 41;
inline constexpr int kLevel2Coding = 42;
inline constexpr int kCodingFinished = 43;
inline constexpr int kAboutCalled = 44;
inline constexpr int kReallyQuit = 45;
inline constexpr int kNeedDisplay = 46;
inline constexpr int kInitFinished = 47;
inline constexpr int kStartCodingFiles = 48;
inline constexpr int kSelectDestination = 49;
inline constexpr int kFilesStoredIn = 50;
inline constexpr int kStartDecodingFiles = 51;
inline constexpr int kSelectSourceCoding = 52;
inline constexpr int kSelectSourceDecoding = 53;
inline constexpr int kEnterNewDirName = 54;

}  // namespace tarnvold::msg
