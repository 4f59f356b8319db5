// SPDX-License-Identifier: GPL-3.0-or-later
// The numbers of the message table's 56 entries, each named after its
// English text.  The table and the language files count from 1;
// table_entry() in international.h reads an entry of a table by its number.
//
// A plain header without dependencies: the engine includes it too.
#pragma once

namespace tarnvold {

inline constexpr int kMessageCount = 56;

namespace msg {

// Unscoped so that a name stands wherever a message number is taken.
enum MessageId : int {
    kFile = 1,
    kOptions = 2,
    kHelp = 3,
    kAbout = 4,
    kCode = 5,
    kDecode = 6,
    kBlank = 7,  // one blank; not used
    kExit = 8,
    kDirectory = 9,
    kConfiguration = 10,
    kVersion11Style = 11,
    kVersion15Style = 12,
    kFolderProgress = 13,
    kCodeObject = 14,
    kDecodeObject = 15,
    kOk = 16,
    kCancel = 17,
    kNewDir = 18,
    kSelectViewSettings = 19,
    kEnterPassword = 20,
    kCrcCheck = 21,
    kCrc = 22,
    kCannotFindConfigFile = 23,
    kErrorInConfigFile = 24,
    kNotConfigFile = 25,
    kScanning = 26,
    kCodingFilesIn = 27,
    kDecodingFilesIn = 28,
    kFileExists = 29,
    kDecodingAborted = 30,
    kStartingDecode = 31,
    kLevel1Decoding = 32,
    kLevel2Decoding = 33,
    kNotCodedFile = 34,
    kNewerVersion = 35,
    kOriginalCrc = 36,
    kCrcMismatch = 37,
    kDecodingFinished = 38,
    kStartingCode = 39,
    kCodingAborted = 40,
    kLevel1Coding = 41,
    kLevel2Coding = 42,
    kCodingFinished = 43,
    kAboutCalled = 44,
    kReallyQuit = 45,
    kNeedDisplay = 46,
    kInitFinished = 47,
    kStartCodingFiles = 48,
    kSelectDestination = 49,
    kFilesStoredIn = 50,
    kStartDecodingFiles = 51,
    kSelectSourceCoding = 52,
    kSelectSourceDecoding = 53,
    kEnterNewDirName = 54,
    kCloseWindow = 55,
    kSelectLanguage = 56,
};
static_assert(kSelectLanguage == kMessageCount);

}  // namespace msg
}  // namespace tarnvold
