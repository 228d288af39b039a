// ShotOptions: kalderino-shot's command line, read and checked before any work is done.
#pragma once

#include "render/KeyCode.h"
#include "session/Event.h"
#include "session/Session.h"

#include <string>
#include <sys/resource.h>
#include <vector>

namespace kalderino {

struct ShotKey {
    std::string name;  // as given on the command line
    KeyCode key;
};

class ShotOptions {
public:
    // The largest thumbnail file managers ask for (xx-large); a picture much larger would not
    // fit in the address space a thumbnail run is given.
    static constexpr int kMaxThumbnail = 1024;
    // A file manager asks for thumbnails of every file a user downloads, unasked: what it gets
    // to read is anybody's, so each run gets a bound on time and memory of its own.
    // KALDERINO_THUMBNAIL_SECONDS in the environment may lower the time (not raise it).
    static constexpr unsigned kThumbnailSeconds = 20;
    static constexpr rlim_t kThumbnailMemory = rlim_t{2} << 30;  // bytes of address space

    // Reads the whole command line, argv[0] first. Returns false when the program ends here,
    // with status (after its help, its version or a usage error, which parse has printed).
    bool parse(int argc, const char* const* argv);
    int status = 0;

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
    // How model files are read: their coordinates kept or not; for a thumbnail, the formats
    // the table allows for thumbnails only.
    ModelOptions models;
    std::string view = "three-quarter";  // the view model files open in
    std::string up;                      // the axis model files stand on; their format's if empty
    // A thumbnail for a file manager: a square picture, models.ownReadersOnly, and limits on
    // time and memory.
    bool thumbnail = false;

private:
    // Each returns "" when its part of the command line is good, else what is wrong with it.
    std::string readKeys(const std::string& text);
    std::string readSteps();
    std::string checkOutput();

    bool numberedOutput = false;
};

}  // namespace kalderino
