#include "messages/message_table.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace sonthra {
namespace {

struct Message {
    int number;
    const char* text;
};

struct EngineRow {
    int engineError;
    int message;
};

// Every text the program shows, by number, in ascending order so that lookups can bisect.
// The texts are the product's own, typing errors and double spaces included. Numbers that
// have no text (for example 147, 440 and the disc ripping and burning range) are absent.
constexpr Message kMessages[] = {
    {100,
     "An unknown error has occured in NXWavePlayerDLL. \nPlease contact Corvanta technical "
     "support. Error code 100"},
    {101,
     "Internal Error : No file name specified for playback. Please try again and if the problem "
     "persists, contact Corvanta technical support. Error code 101"},
    {102, "Playback is already going on."},
    {103,
     "Error while opening wave file. Please exit from other application and try again. Make sure "
     "no other applications are using the file. Error code 103"},
    {104,
     "Error : Could not allocate enough memory. Your system might be low on resources, please "
     "close other applications and try again. Error code 104"},
    {105, "Sorry, format of wave file is not supported. Please choose other wave file."},
    {106,
     "Error : Cannot Open Wave Output Device. Please make sure that other applications are not "
     "using the sound output device and try again. Error code 106"},
    {107,
     "Error : Cannot Prepare Play Buffers. Your system might be low on resources, please close "
     "other applications and try again. Error code 107"},
    {108, "Error : Not a valid wave file. Please choose a valid wave file."},
    {109,
     "Error : Cannot read fmt chunk from file. Either the file has no fmt chunk or it is invalid. "
     "Please choose a another file. Error code 109"},
    {110,
     "Error : Not a PCM Wave file. Non-PCM wave files are not supported. Please choose a PCM "
     "format wave file. \nFor more information please contact Corvanta technical support. \nError "
     "code 110"},
    {111,
     "Error : Cannot read DATA chunk. Either the file has no DATA chunk or it is invalid. Please "
     "choose a valid wave file."},
    {112,
     "Error : Cannot seek in wave file. Please close other applications and try again. \nIf the "
     "problem persists, contact Corvanta technical support. Error code 112"},
    {113,
     "Error : Cannot ascend chunk. Please close other applications an dtry again. Error code 113"},
    {114, "No data to play in wave file. Please choose other file."},
    {115,
     "Error : Your recording device is unable to record at the rate or mode you have selected.  "
     "Please make sure you have selected a supported format for recording. Error code 115"},
    {116,
     "Error : Unable to open file for temporary storage of record data.  Please make sure that you "
     "have sufficient space on your temp drive. Error code 116"},
    {117,
     "Error : Unable to use the Record device. Please make sure that other applications are not "
     "using the sound recording devices and try again."},
    {118,
     "Error : Unable to start recording. Please make sure that other applications are not using "
     "the sound recording devices and try again. If the problem persists, contact Corvanta "
     "technical support. Error code 118"},
    {119, "Recording is already going on."},
    {120,
     "Internal Error : No file name specified for recording. If the problem persists, please "
     "contact Corvanta technical support. Error code 120"},
    {121,
     "Error: Could not write data to disk. Please make sure that there is enough room on disk for "
     "processing audio files."},
    {122,
     "Error : No selection specified to perform cut operation. Please select the desired waveform "
     "to cut and try again."},
    {123,
     "Error : The drive used to store temporary work files has inadequate free space for editing "
     "wave file. Please make sure there is enough free space on the drive to hold temporary files "
     "or change the location for temporary files from the Preferences dialog. Error code 123"},
    {124,
     "Error: Cannot make undo file. Please make sure that there is enough room on disk for "
     "processing audio files. Error code 124"},
    {125,
     "Error : No selection specified to perform copy operation. Please select the desired waveform "
     "to copy and try again."},
    {126,
     "Error : Cannot locate or open clip file. Please close other applications and try again. If "
     "the problem persists, please contact Corvanta technical support. Error code 126"},
    {127,
     "Error : Clip file is of a different format. Please make sure that the file to be pasted is "
     "in the same format as the file to be pasted into. Error code 127"},
    {128, "Error : Cannot proceed, playback is going on. Please stop the playback and try again."},
    {129, "Warning: User has aborted the process."},
    {130,
     "Error : Nothing to paste. Please cut or copy the desired waveform first and then do paste "
     "operation."},
    {131,
     "Internal Error : Position for editing work, is greater than total size. If the problem "
     "persists, please contact Corvanta technical support. Error code 131"},
    {132,
     "Undo Redo function is disabled. Please endable Undo/Redo to use. For more information please "
     "contact Corvanta technical support. Error code 132"},
    {133,
     "Error: Cannot make Redo file. Please make sure that there is enough room on disk for "
     "processing audio files. Error code 133"},
    {134, "Nothing to Undo/Redo."},
    {135,
     "Error: Cannot make redo file. Please make sure that there is enough room on disk for "
     "processing audio files. Error code 135"},
    {136,
     "Error : This operation cannot be performed on compressed file. For more information please "
     "contact Corvanta technical support. Error code 136"},
    {137,
     "Error : Could not complete operation, Probably the file is in use. If the problem persists, "
     "please contact Corvanta technical support."},
    {138,
     "Error : No selection specified to perform clear operation. Please select the desired "
     "waveform to clear and try again."},
    {139,
     "Error : No selection specified to perform crop operation. Please select the desired waveform "
     "to crop and try again."},
    {140, "File is already opened."},
    {141,
     "Error : Cannot create wave display window. The system might be low on resources. Please "
     "close other applications and try again."},
    {142,
     "Error : Cannot revert the changes. If the problem persists, please contact Corvanta "
     "technical support. Error code 142"},
    {143,
     "Internal Error : An invalid parameter passed. Please contact Corvanta technical support. "
     "Error code 143."},
    {144,
     "Error : Cannot create wave file button. Your system might be low on resources. Please exit "
     "from other applications and try again."},
    {145,
     "Error : Cannot create a necessary playback object. Please exit from other applications and "
     "try again."},
    {146,
     "Error : Cannot save file to disk. Please make sure that there is enough room on disk for "
     "processing audio files and no other application is using the file you want to save. If the "
     "problem persists, please contact Corvanta technical support. Error code 146"},
    {148, "Error : File %s does not exists. Error code 148"},
    {149,
     "Error : Could not open wave file. Probably the file is in use by some other application. "
     "Please exit from other application and try again. Error code 149"},
    {150,
     "Error : Could not create wave file. Please make sure that there is enough room on disk for "
     "processing audio files. If the problem persists, please contact Corvanta technical support. "
     "Error code 150"},
    {151,
     "Error : Could not open the file. Either the file size is too large or it is invalid. For "
     "more information please contact Corvanta technical support. Error code 151"},
    {152,
     "Error : Cannot read data from file. Please close other applications and try again. Error "
     "code 152"},
    {153,
     "Error : Cannot write data to file. Please make sure that there is enough room on disk for "
     "processing audio files. If the problem persists, please contact Corvanta technical support. "
     "Error code 153"},
    {154,
     "Error: Cannot create thread for copy file. The system might be low on resoruces. Please "
     "close other applications and try again."},
    {155,
     "Unexcepted Error : Not been able to complete the copy file operation. If the problem "
     "persists, please contact Corvanta technical support. Error code 155"},
    {156,
     "Error: Cannot create thread for waveform drawing. The system might be low on resoruces. "
     "Please close other applications and try again."},
    {157,
     "Unexcepted Error : Not been able to complete the waveform drawing operation. If the problem "
     "persists, please contact Corvanta technical support. Error code 157"},
    {158,
     "Error: Insufficient resource. Your system is low on resources. Please close other "
     "applications."},
    {159,
     "Error: Cannot create menu items. Your system might be low on resources. Please exit from "
     "other applications and try again."},
    {160,
     "Error : Cannot create wave file. Please make sure that you have sufficient space on your "
     "temp drive. Error code 160"},
    {161,
     "Error : Invalid wave file. No fmt chunk found. Please choose another file. Error code 161"},
    {164, "Error : No data chunk found in wave file. Error code 164"},
    {165,
     "Error : Could not read data from wave file. Please make sure that no other application is "
     "using this file. Error code 165"},
    {166,
     "Internal Error : Wave display is not initialized properly to build peaks. Please contact "
     "Corvanta technical support. Error code 166"},
    {167,
     "Error :  Cannot initializing waveform. The system might be low on resources. Please close "
     "other applications and try again."},
    {168,
     "Error : An unknown error has occured in wave display. Please contact Corvanta technical "
     "support. Error code 168"},
    {170,
     "Error : Cannot create wave chunk in file. Please make sure that there is enough room on disk "
     "for processing audio files. Error code 170"},
    {171,
     "Error : Cannot create fmt chunk in file. Please make sure that there is enough room on disk "
     "for processing audio files. Error code 171"},
    {172,
     "Error : Cannot write format in wave file. Please make sure that there is enough room on disk "
     "for processing audio files. Error code 172"},
    {173,
     "Error : Cannot ascend fmt chunk. Please close other applications and try again. Error code "
     "173"},
    {174,
     "Error : Cannot create date chunk in file. Please make sure that there is enough room on disk "
     "for processing audio files. Error code 174"},
    {175,
     "Error : Cannot ascend data chunk. Please close other applications an dtry again. Error code "
     "175"},
    {176,
     "Error : Cannot ascend wave chunk. Please close other applications an dtry again. Error code "
     "176"},
    {177,
     "Error : Cannot create undo/redo file. Please make sure that you have sufficient space on "
     "your temp drive. Error code 177"},
    {178,
     "Error : Cannot do undo. An error occurred while copying undo file to edit file. Error code "
     "178"},
    {179,
     "Error : Cannot do redo. An error occurred while copying redo file to edit file. Error code "
     "179"},
    {180,
     "Error : Invalid temporary file location specified. Please specify another location or press "
     "the 'Default' button."},
    {181,
     "Error: Cannot create thread for making edit file. The system might be low on resoruces. "
     "Please close other applications and try again."},
    {182,
     "Error : Cannot create edit file, the file will remained opened in read only mode. Please "
     "exit from other applications and try again. If the problem persists, please contact Corvanta "
     "technical support. Error code 182"},
    {183,
     "Error : Cannot open registry. The system might be low on resources. Please close other "
     "applications and try again."},
    {184, "Error : The file %s does not exist."},
    {185,
     "Error : Cannot open registry key. The system might be low on resources. Please close other "
     "applications and try again."},
    {186,
     "Error Cannot read data from registry. The system might be low on resources. Please close "
     "other applications and try again."},
    {187,
     "Error Cannot write data in registry. The system might be low on resources. Please close "
     "other applications and try again."},
    {190,
     "Error : Cannot create overview display window. The system might be low on resources. Please "
     "close other applications and try again."},
    {192,
     "Error: No recording device found. Please install a sound blaster compatible sound card and "
     "try again."},
    {193,
     "Error: No recording source found in recording device. The recording mixer functionality will "
     "be disabled."},
    {194,
     "Error: No playback device found. Please install a sound blaster compatible sound card and "
     "try again."},
    {229,
     "Warning: This machine does not have the suitable component required to use MP3 "
     "functionality. Do you want to download this component now?  \nPlease make sure you are "
     "connected to the Internet before pressing the Yes button."},
    {230,
     "Error : The selected codec cannot produce MP3 files with given source format. Please change "
     "the source format and try again."},
    {231,
     "Error: Could not make a required call into the cvwavmp3.dll while converting. Please contact "
     "Corvanta Support for more information."},
    {233,
     "The selected Codec cannot produce MP3 files at kbit Bitrate. Please select another bit-rate "
     "or a different codec and try again."},
    {234, "Error : Could not get status."},
    {235,
     "Error: The system might be low on resources. Please close other applications and try again."},
    {241,
     "Error: Could not make a required call into the cvmp3wav.dll while converting. Please contact "
     "Corvanta Support for more information."},
    {242, "Warning: User has aborted the process."},
    {320, "Error: In order to use this functionality you must have an MP3 Codec installed."},
    {321, "Error: Unable to get the destination format size."},
    {322,
     "Error: The system might be low on resources. Please close other applications and try again."},
    {323,
     "Error: The MP3 codec is disabled. Please make sure a proper MP3 codec is installed and "
     "enabled."},
    {324,
     "Error: Could not load MP3 codec. Please make sure a proper MP3 codec is installed and "
     "enabled."},
    {325,
     "Error: Could not initialize the MP3 codec. Please make sure a proper MP3 codec is installed "
     "and enabled."},
    {327, "Error: Could not Open MP3 Input. Please close other applications and try again."},
    {328,
     "Error: Could not create Output File. Please make sure that there is enough room on disk for "
     "porcessing audio files."},
    {329,
     "Error: File closing Error. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {330,
     "Error: File closing Error. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {331,
     "Error: Could not configure MP3 codec. Please make sure a proper MP3 codec is installed and "
     "enabled."},
    {332,
     "Error: The system might be low on resources. Please close other applications and try again."},
    {333,
     "Error: The system might be low on resources. Please close other applications and try again."},
    {334,
     "Error: The system might be low on resources. Please close other applications and try again."},
    {335,
     "Error: Could not create output file RIFF chunk. Please make sure that there is enough room "
     "on disk for processing audio files."},
    {336,
     "Error: Could not create output file FMT chunk. Please make sure that there is enough room on "
     "disk for processing audio files."},
    {337,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {338,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {339,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {340,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {341,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {342,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {343,
     "Error processing input file. Please make sure a proper MP3 codec is installed and enabled."},
    {344,
     "Error processing input file. Please make sure a proper MP3 codec is installed and enabled."},
    {345,
     "Error Writing to Disk. Either there is not enough room on disk for processing audio files or "
     "File is already opened in some other application."},
    {346,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {347,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {348,
     "Error: The system might be low on resources. Please close other applications and try again."},
    {349,
     "Error processing input file. Please make sure that the input file is not corrupt. If the "
     "problem persists, please contact Corvanta Support."},
    {350,
     "Error: The system might be low on resources. Please close other applications and try again."},
    {352,
     "Warning: The drive used to store temporary work files has inadequate free space for editing "
     "this file. Please make sure there is enough free space on the drive that holds temporary "
     "work files or change the location for temporary work files."},
    {353, "Error: Could not Open Wave Input. Please close other applications and try again."},
    {354,
     "Error: File closing Error. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {355,
     "Error: File closing Error. Please make sure that there is enough room on disk for processing "
     "audio files."},
    {360, "Error: Could not complete the Conversion process."},
    {362, "Error : Invalid MP3 file."},
    {364,
     "An unknown error has occured in CVMP3Wav. \nPlease contact Corvanta technical support. Error "
     "code 364"},
    {366, "Error : Could not open source file for editing."},
    {367, "Error : Could not open file for editing."},
    {368,
     "Error : Cannot read data from file. If the problem persists, please contact Corvanta "
     "technical support. Error code 368"},
    {369,
     "Error : Cannot write data to file. Please make sure that there is enough room on disk for "
     "processing audio files. If the problem persists, please contact Corvanta technical support. "
     "Error code 369"},
    {370,
     "Error while getting clip file size, so could not insert your recording. Please try again and "
     "if the problem persists, please contact Corvanta technical support. Error code 370"},
    {371,
     "Error while inserting current recording. Please try again and if the problem persists, "
     "please contact Corvanta technical support. Error code 371"},
    {372,
     "Mixer Error : Could not get playback device description. Please contact Corvanta technical "
     "support. Error code 372"},
    {373,
     "Mixer Error : Invalid output device index. Please contact Corvanta technical support. Error "
     "code 373"},
    {374,
     "Mixer Error: No mixer found with the selected playback device. Either change the playback "
     "device from File->Preferences menu item or you will not been able to use mixer "
     "functionality."},
    {375,
     "Mixer Error : Could not open mixer of selected playback device. Please contact Corvanta "
     "technical support. Error code 375"},
    {376,
     "Mixer Error : No playback device selected. Please select a playback device from "
     "File->Preferences menu item."},
    {377,
     "Mixer Error : No mixer controls found in your selected recording or playback device. Please "
     "select different playback and recording device."},
    {378,
     "Internal Mixer Error : An unknown error has occurred while controling mixer. Please contact "
     "Corvanta technical support. Error code 378"},
    {379,
     "Internal Mixer Error : An unknown error has occurred while controling mixer. Please contact "
     "Corvanta technical support. Error code 379"},
    {380,
     "Mixer Error : Could not get recording device description. Please contact Corvanta technical "
     "support. Error code 372"},
    {381,
     "Mixer Error : Invalid input device index. Please try choosing some other recording device "
     "from File->Preferences menu item. Please contact Corvanta technical support. Error code 373"},
    {382,
     "Mixer Error: No mixer found with the selected recording device. Either change the recording "
     "device from File->Preferences menu item or you will not been able to use mixer "
     "functionality."},
    {383,
     "Mixer Error : Could not open mixer of selected recording device. Please contact Corvanta "
     "technical support. Error code 383"},
    {384,
     "Mixer Error : No recording device selected. Please select a playback device from "
     "File->Preferences menu item."},
    {385,
     "An unknown error has occured in ROZadEro Dll. \nPlease contact Corvanta technical support. "
     "Error code 385"},
    {386,
     "Error: Cannot create thread for effects processing file. The system might be low on "
     "resoruces. Please close other applications and try again."},
    // An effect library of the wrong version would otherwise fail without a word.
    {387,
     "Error : The effect library is not compatible with this version of the program. Please get "
     "the latest effect libraries from the Corvanta Support web site. Error code 387"},
    {388,
     "Error: Unable to locate file to be used for effect processing, please try again. If the "
     "problem persists, please contact Corvanta Support."},
    {389,
     "Error: Could not locate destination file. The system might be low on resources, please try "
     "again. If the problem persists, please contact Corvanta Support."},
    {390,
     "Error: Unable to show effect user interface dialog. The system might be low on resources, "
     "please try again. If the problem persists, please contact Corvanta Support."},
    {391,
     "Error: Could not apply effect to destination file. The system might be low on resources, "
     "please try again. If the problem persists, please contact Corvanta Support."},
    {392,
     "Error: Unable to load presets for the effect. Either presets file is corrupted or it might "
     "be incompatible with current version of library, please try again. If the problem persists, "
     "please contact Corvanta Support."},
    {393,
     "Error: Unable to save presets for the effect. Either the destination file is invalid or the "
     "system might be low on resources, please try again. If the problem persists, please contact "
     "Corvanta Support."},
    {394,
     "Error: Unable to set presets for the effect. Either presets file is corrupted or it might be "
     "incompatible with current version of library, please try again. If the problem persists, "
     "please contact Corvanta Support."},
    {395, "Error: Could not abort effect processing, Please contact Corvanta Support."},
    {396,
     "Error: Unable to get effect library capabilities, please try again. If the problem persists, "
     " please contact Corvanta Support."},
    {397,
     "Error: Unable to preview effect. Either preview time is invalid or there is some problem "
     "with the file, please try again. If the problem persists, please contact Corvanta Support."},
    {398,
     "Error: Unable to read file to be used for effect processing, the file might be corrupted "
     "please try again. If the problem persists, please contact Corvanta Support."},
    {399,
     "Error : An unknown error has occured during effects processing, please try again. If the "
     "problem persists, please contact Corvanta Support."},
    {400,
     "Error: Exception while showing user interface for effect, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {401,
     "Error: Exception while applying effect to destination file, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {402,
     "Error: Exception while loading presets for the effect, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {403,
     "Error: Exception while saving presets for the effect, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {404,
     "Error: Exception while loading presets for the effect, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {405,
     "Error: Exception while aborting effect processing, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {406,
     "Error: Exception while getting effect library capabilities, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {407,
     "Error: Exception while previewing effect, please try again. If the problem persists, please "
     "contact Corvanta Support."},
    {408,
     "Error: Exception while getting effect infromation, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {409,
     "Error : An exception has occured due to invalid parameter pass during process, please try "
     "again. If the problem persists, please contact Corvanta Support."},
    {410,
     "Error : An unknown exception has occured during process, please try again. If the problem "
     "persists, please contact Corvanta Support."},
    {418,
     "Internal Error : An invalid parameter passed while processing effects. Please contact "
     "Corvanta technical support. Error code 418."},
    {419,
     "Error : Could not mix, source and destination wave file formats are different. Error code "
     "419"},
    {420,
     "Error : An error occured while loading effects, please try again. If the problem persists, "
     "please contact Corvanta Support. Error code 420."},
    {421, "Please restart the program in order to set the temporary files path."},
    {427, "Warning: The file %s has changed. Do you want to save it?"},
    {428,
     "Error : Cannot open file to be converted. Probably the file is in use by some other "
     "application. Please exit from other application and try again. Error code 428"},
    {429, "Error : File to be converted in not in WAVE format."},
    {430, "Error : File format not supported."},
    {431, "Error : Cannot create destination file for conversion."},
    {432, "Error : Incompatible sample rates for conversion."},
    {433, "Do you wish to record in the currently open file?"},
    {434,
     "%s is busy performing some task. Please make sure that %s is idle, and try to open this file "
     "again.\n"},
    {435,
     "Mixer Error : Could not get minimum and maximum output volume. Please contact Corvanta "
     "technical support. Error code 435"},
    {436,
     "Mixer Error : Could not get minimum and maximum input volume. Please contact Corvanta "
     "technical support. Error code 436"},
    {437,
     "Mixer Error : Could not get preferred output device index. Please contact Corvanta technical "
     "support. Error code 437"},
    {438,
     "Mixer Error : Could not get preferred input device index. Please contact Corvanta technical "
     "support. Error code 438"},
    {439,
     "Error : Could not set temporary file location. Please make sure that the temporary file "
     "location specified in File -> Preferences is a valid location."},
    {441,
     "Error: Invalid Temporary file location. %s will store temp files at '%s'. To change "
     "Temporary file location go to File->Preferences."},
    {448,
     "Error : Floating point error has occured during effects processing. Please contact Corvanta "
     "technical support. Error code 448"},
    {449,
     "An unknown error has occured in CVFmtHlp.dll. \nPlease contact Corvanta technical support. "
     "Error code 449"},
    {450,
     "Error : Could not allocate sufficient wave format buffer. \nPlease contact Corvanta "
     "technical support. Error code 450"},
    {451,
     "Error : Could not open format conversion dialog box. \nPlease contact Corvanta technical "
     "support. Error code 451"},
    {452,
     "Error: Could not open input wave file. Please close other applications and try again. Error "
     "code 452"},
    {453,
     "Error: Could not create output file. Please make sure that there is enough room on disk for "
     "porcessing audio files. Error code 453"},
    {454,
     "Error processing input file. Please make sure that the input file is not corrupt. If the "
     "problem persists, please contact Corvanta Support. Error code 454"},
    {455,
     "Error processing input file. Please make sure that the input file is not corrupt. If the "
     "problem persists, please contact Corvanta Support. Error code 455"},
    {456,
     "Error : Could not get destination format size. If the problem persists, please contact "
     "Corvanta Support. Error code 456"},
    {457,
     "Error : Could not suggest destination format. Please choose other fomrat. If the problem "
     "persists, please contact Corvanta Support. Error code 457"},
    {458,
     "Error: Could not open ACM codec stream. Please close other applications and try again. Error "
     "code 458"},
    {459,
     "Error processing input file. Please make sure that the input file is not corrupt. If the "
     "problem persists, please contact Corvanta Support. Error code 459"},
    {460,
     "Error: Could not create output file RIFF chunk. Please make sure that there is enough room "
     "on disk for processing audio files. Error code 460"},
    {461,
     "Error: Could not create output file FMT chunk. Please make sure that there is enough room on "
     "disk for processing audio files. Error code 461"},
    {462,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 462"},
    {463,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 463"},
    {464,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 464"},
    {465,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 465"},
    {466,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 466"},
    {467,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 467"},
    {469,
     "Error: Could not calculate destination stream size. Please make sure the codec you have "
     "selected is properly installed and enabled. If the problem persists, please contact Corvanta "
     "Support. Error code 469"},
    {471,
     "Error: Could not prepare ACM header. The system might be low on resources. Please close "
     "other applications and try again. Error code 471"},
    {472,
     "Error processing input file. Please make sure that the input file is not corrupt. If the "
     "problem persists, please contact Corvanta Support. Error code 472"},
    {473,
     "Error : Could not convert stream. Please make sure that the codec you have selected is "
     "properly installed and enabled. If the problem persists, please contact Corvanta Support. "
     "Error code 473"},
    {474,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 474"},
    {475,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 475"},
    {476,
     "Error Writing to Disk. Please make sure that there is enough room on disk for processing "
     "audio files. Error code 476"},
    {477,
     "Error : This effect works only with stereo files. Please select a stereo file and try again. "
     "Error code 477"},
    {480, "Can not save ID3 Tag in wave file!"},
    {481, "Id3 Tag Information not found in Wave file!"},
    {482, "The selected format is not supported by the encoder. Kindly choose another format."},
    {483,
     "File is in use by some other application or already open! Please close the file to start WMA "
     "Export."},
    {484, "Error in writing audio data to file!"},
    {485, "WMA codec is not available on your machine! Can not export to WMA without a codec."},
    {486, "No Format is available for selected Codec!\n Please Select a different codec."},
    {487, "Unable to Load WMA Conversion Library!"},
    {488, "Can not save tag to the file!"},
    {489, "WMA File format is not proper!!"},
    {490, "Import WMA File Aborted by the User!"},
    {491, "%s is %s file; %s writes song information into MP3 and WAV files only."},
    {492,
     "The sizes in the header of %s do not match the file (a recording that stopped early?); %s "
     "writes no song information into it, so that no audio is overwritten."},
    {493,
     "%s is read-only and its folder does not allow replacing it; the song information was "
     "not saved."},
    {494, "Save the file before performing this task."},
    {495,
     "Warning: The temporary file required to edit the WMA file is too large. \nSome sections of "
     "the original file will not be available for editing."},
    {496,
     "Error : There is not enough free space on your save location. It is recommended to make more "
     "free space available, and try again."},
    {530, "Sorry, this %s file cannot be opened: %s."},
    {531, "Sorry, the file could not be saved as %s: %s."},
    // What a file is when the program does not open it, each filled with the file's name and
    // what it was found to be.
    {610, "\"%s\" is %s; Sonthra opens 8-bit and 16-bit PCM WAV files in mono or stereo."},
    {611, "\"%s\" is %s; Sonthra opens WAV and MP3 files."},
    {612, "\"%s\" is not an audio file Sonthra recognises; Sonthra opens WAV and MP3 files."},
    {613, "\"%s\" is %s; convert it to WAV first."},
    {614, "\"%s\" is %s, not a file; Sonthra opens audio files."},
};

// Engine error numbers and the message each one shows, ascending by engine number. Several
// engine numbers share a message (every allocation failure shows 104). Engine 360 names
// message 440, which has no text, so that failure shows nothing.
constexpr EngineRow kEngineErrors[] = {
    {100, 101}, {101, 102}, {102, 103}, {103, 104}, {104, 105}, {105, 106}, {106, 107}, {107, 108},
    {108, 109}, {109, 110}, {110, 111}, {113, 112}, {114, 113}, {115, 104}, {116, 104}, {117, 114},
    {150, 437}, {151, 372}, {152, 373}, {153, 438}, {154, 380}, {155, 381}, {201, 115}, {202, 104},
    {203, 116}, {204, 117}, {205, 118}, {206, 119}, {207, 120}, {301, 121}, {302, 122}, {303, 123},
    {304, 104}, {305, 124}, {306, 125}, {307, 126}, {308, 127}, {309, 104}, {310, 128}, {311, 129},
    {312, 130}, {313, 131}, {314, 132}, {315, 133}, {316, 134}, {317, 135}, {318, 136}, {319, 137},
    {320, 138}, {321, 139}, {322, 439}, {350, 428}, {351, 429}, {352, 161}, {353, 109}, {354, 430},
    {355, 111}, {356, 164}, {357, 104}, {358, 431}, {359, 432}, {360, 440},
};

constexpr int kUnknownEngineError = 100;
constexpr int kUnknownMixerError = 385;

template <typename Row, std::size_t N>
constexpr bool isAscending(const Row (&rows)[N], int Row::*key) {
    for (std::size_t i = 1; i < N; ++i) {
        if (!(rows[i - 1].*key < rows[i].*key)) return false;
    }
    return true;
}

static_assert(isAscending(kMessages, &Message::number), "messages must stay sorted and unique");
static_assert(isAscending(kEngineErrors, &EngineRow::engineError),
              "engine rows must stay sorted and unique");

}  // namespace

const char* MessageText(int number) {
    const auto* it =
        std::lower_bound(std::begin(kMessages), std::end(kMessages), number,
                         [](const Message& row, int wanted) { return row.number < wanted; });
    if (it == std::end(kMessages) || it->number != number) return nullptr;
    return it->text;
}

std::string FormatMessage(int number, const std::vector<std::string>& args) {
    const char* text = MessageText(number);
    if (text == nullptr) return {};
    std::string out;
    std::size_t next = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (next < args.size()) out += args[next];
            ++next;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

int EngineErrorToMessage(int engineError) {
    if (engineError == 0) return kSuccess;
    const auto* it =
        std::lower_bound(std::begin(kEngineErrors), std::end(kEngineErrors), engineError,
                         [](const EngineRow& row, int wanted) { return row.engineError < wanted; });
    if (it == std::end(kEngineErrors) || it->engineError != engineError) return kUnknownEngineError;
    return it->message;
}

int MixerErrorToMessage(int mixerError) {
    if (mixerError == 0) return kSuccess;
    if (mixerError == 101) return 104;
    // The mixer's device and control failures map in order onto its run of messages.
    if (mixerError >= 102 && mixerError <= 114) return 372 + (mixerError - 102);
    if (mixerError == 115) return 435;
    if (mixerError == 116) return 436;
    return kUnknownMixerError;
}

std::vector<int> MessageNumbers() {
    std::vector<int> numbers;
    numbers.reserve(std::size(kMessages));
    for (const Message& row : kMessages) numbers.push_back(row.number);
    return numbers;
}

}  // namespace sonthra
