// Personal HRTFs: a SOFA file (AES69, SimpleFreeFieldHRIR) read with
// libmysofa, checked, and turned into the data sets OpenAL Soft 1.19 reads
// (the "MinPHR02" .mhr format, one file per output rate). No Qt: tested
// directly and run on a worker thread by the window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "audio/Wording.h"

// What a SOFA file holds, as plain values.
struct TSofaData {
    std::string Convention, Title, DatabaseName, ListenerShortName;
    unsigned Receivers = 0; // R
    unsigned Samples = 0;   // N: taps per response
    double Rate = 0;        // Hz
    struct TPlace {
        double Azimuth = 0;   // degrees, counter-clockwise from the front (left is +90)
        double Elevation = 0; // degrees, up is +90
        double Distance = 0;  // metres
    };
    std::vector<TPlace> Places;   // M measurements
    std::vector<float> Responses; // M * R * N
    std::vector<float> Delays;    // R or M * R, in samples
    bool LeftFirst = true;        // receiver 0 is the left ear
};

enum class TSofaError {
    None,
    Unreadable, // the file cannot be opened: Detail is the system's words
    NotSofa,    // libmysofa cannot read it: damaged, cut short or no SOFA at all
    Convention, // Detail: the convention it declares
    Receivers,  // Detail: how many
    Rate,       // no usable sample rate
    Horizon,    // Detail: the widest gap in degrees
    Elevation,  // Detail: the range measured
    Responses,  // silent, not finite, or delays past what the format holds
    Cancelled,
    Write, // Detail: the system's words
};
struct TSofaProblem {
    TSofaError Error = TSofaError::None;
    std::string Detail;
};
// The reason in words, in the language translate gives.
std::string SofaProblemText(const TSofaProblem& problem, const TTranslate& translate = SourceText);

// Reads path with libmysofa and checks what the data sets need.
bool ReadSofa(const std::string& path, TSofaData& data, TSofaProblem& problem);
// The checks ReadSofa makes on what it read (convention, ears, rate,
// coverage, responses), for data from elsewhere too.
bool CheckSofa(const TSofaData& data, TSofaProblem& problem);

// Called now and then with the share done (0..1); false cancels.
using TSofaProgress = std::function<bool(double done)>;

// The rates OpenAL Soft renders HRTF at here.
inline const std::vector<int>& HrtfRates() {
    static const std::vector<int> rates{44100, 48000};
    return rates;
}
// The taps per response written: the length OpenAL Soft's own sets use.
constexpr int HrirTaps = 32;
// The longest delay a response may keep, in samples (the format's limit).
constexpr int HrirMaxDelay = 63;

// One data set file's bytes for rate, from checked data.
bool MakeHrtfDataSet(const TSofaData& data, int rate, std::string& bytes, TSofaProblem& problem,
                     const TSofaProgress& progress = {});

// The user's data folder OpenAL Soft searches first:
// $XDG_DATA_HOME/openal/hrtf, or ~/.local/share/openal/hrtf.
std::string HrtfDataFolder();
// The name a set from data read from path takes: its Title, else its
// DatabaseName with the listener's short name (a database holds many
// listeners), else the file's name; made fit for a file name.
std::string SofaSetName(const TSofaData& data, const std::string& path);
// The name OpenAL Soft lists for the set's file at rate: "NAME-44100".
std::string HrtfEntryName(const std::string& setName, int rate);

// The index in listed (OpenAL Soft's names) of the data set name asks for at
// rate: a set's entry for another rate ("NAME-48000") gives way to the one
// for rate, a set's own name ("NAME") finds its entry for rate, any other
// name is taken as it is listed. -1 when none fits.
int HrtfEntryForRate(const std::vector<std::string>& listed, const std::string& name, int rate);
// A name that ends in ".sofa" (any case): a file to load, not a set's name.
bool IsSofaFileName(const std::string& name);

// Writes one file per rate ("NAME-RATE.mhr") and the mark that says the
// program wrote them ("NAME.phonara-hrtf") into folder, created when missing,
// through the atomic writer. A set of that name the program wrote before is
// replaced; files of the same name from elsewhere are never touched (the new
// set takes "NAME (2)" and so on). False leaves the folder as it was.
bool InstallHrtfSet(const std::string& folder, std::string& name,
                    const std::vector<std::pair<int, std::string>>& files, TSofaProblem& problem);
// The sets in folder that the program wrote, by name, sorted.
std::vector<std::string> InstalledHrtfSets(const std::string& folder);
// Deletes a set the program wrote: the files its mark lists, then the mark.
bool RemoveHrtfSet(const std::string& folder, const std::string& name);

// Reads, checks, converts for every rate and installs: the whole load, as the
// window's worker and the command line run it. name receives the set's name.
bool LoadSofaFile(const std::string& path, const std::string& folder, std::string& name,
                  TSofaProblem& problem, const TSofaProgress& progress = {});
