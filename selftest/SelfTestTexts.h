#pragma once

// The texts the self test shows.

namespace selftest {

inline constexpr char kMainStatusFailedText[] =
    "Unable to get device message..Please click on Scan for and try again..";
inline constexpr char kStatusErrorText[] = "Device status message error..";
inline constexpr char kStatusErrorCaption[] = "Vexor USB Encoder";
inline constexpr char kMicrophoneQuestion[] = "Does Echovane have microphone support?";
inline constexpr char kMicrophoneNotice[] =
    "Please make sure <USB Advanced Audio device> in Sound panel->Recording tab is set as "
    "Default Device";
inline constexpr char kAudioCaption[] = "VexorEchovaneUtility";
inline constexpr char kKeyPromptText[] = "Press each key  on Echovane... ";
inline constexpr char kCannotRecordText[] = "This device doesn't record.";
// Said once the window has closed: a test that vanished without a word would pass for ended.
inline constexpr char kSequenceFailedText[] =
    "The self test stopped: the keypad did not take a command..Please click on Scan for and try "
    "again..";
inline constexpr char kRestoreFailedText[] =
    "Unable to put the code table and LED brightness back after the self test..Please click on "
    "Scan for and set them again..";
inline constexpr char kEndCaption[] = "Vexor Echovane";
inline constexpr char kNoAudioOutputText[] =
    "No sound output found: connect speakers or headphones to play the test sound..";

inline constexpr char kWindowTitle[] = "Self Test";
inline constexpr char kHeading[] = "SELF TEST";
inline constexpr char kTestingLedText[] = "Testing Led";
inline constexpr char kLedText[] = "LED";
inline constexpr char kTestingBrightnessText[] = "Testing Led Brightness ";
inline constexpr char kTestAudioText[] = "Test Audio";
inline constexpr char kPlayText[] = "Play";
inline constexpr char kRecordText[] = "Record";
inline constexpr char kStartRecordText[] = "Start Record";
inline constexpr char kStopRecordText[] = "Stop Record";
inline constexpr char kCloseText[] = "Close";

inline constexpr char kTestSoundFile[] = "Audio Test.mp3";
inline constexpr char kMarkedImageFile[] = "blue.bmp";

} // namespace selftest
