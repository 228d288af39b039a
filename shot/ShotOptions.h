// ShotOptions: kalderino-shot's command line, read and checked before any work is done.
#pragma once

#include "render/KeyCode.h"
#include "session/Event.h"

#include <string>
#include <vector>

namespace kalderino {

struct ShotKey {
    std::string name;  // as given on the command line
    KeyCode key;
};

class ShotOptions {
public:
    static constexpr int kMaxSize = 16384;  // pixels, either way
    // The largest thumbnail file managers ask for (xx-large); a picture much larger would not
    // fit in the address space a thumbnail run is given.
    static constexpr int kMaxThumbnail = 1024;

    // Reads the arguments after the program's name. Returns false with a one-line reason in
    // error; help and version stop the reading.
    bool parse(int argc, const char* const* argv);

    // The picture taken after keyCount keys: with "%d" in the output, one per count; the one
    // name otherwise.
    std::string pictureName(int keyCount) const;
    bool numbered() const { return numberedOutput; }

    // Data files and model files, drawn together; dataTest3.dat when none is given.
    std::vector<std::string> files;
    std::string output;  // the first file's name with ".png" unless given
    int width = 640;
    int height = 480;
    std::vector<ShotKey> keys;
    std::string events;  // the script --events gives
    // What happens before each picture: a step per key, then one per item of the events.
    std::vector<std::vector<Event>> steps;
    bool keepCoordinates = false;        // of model files
    std::string view = "three-quarter";  // the view model files open in
    std::string up;                      // the axis model files stand on; their format's if empty
    // A thumbnail for a file manager: a square picture, the project's own readers only, and
    // limits on time and memory.
    bool thumbnail = false;
    bool help = false;
    bool version = false;
    std::string error;

private:
    bool readSize(const std::string& text);
    bool readKeys(const std::string& text);
    bool readSteps();
    bool checkOutput();

    bool numberedOutput = false;
};

// What --keys takes, for its refusal.
extern const char* const kShotKeyNames;

}  // namespace kalderino
