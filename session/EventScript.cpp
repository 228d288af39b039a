// EventScript: the script's words, read item by item.
#include "session/EventScript.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace kalderino {

namespace {

constexpr int kMaxCoordinate = 100000;  // pixels, either way: far beyond any window

// Digits, after a minus sign where negative values are allowed, within -most to most.
bool readInteger(const std::string& text, int& value, int most, bool negative = true) {
    if (text.empty() || text.size() > 7) return false;
    const std::size_t start = negative && text[0] == '-' ? 1 : 0;
    if (start == text.size()) return false;
    for (std::size_t i = start; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    value = std::atoi(text.c_str());
    return value >= -most && value <= most;
}

bool readButton(const std::string& word, Button& button) {
    if (word == "left")
        button = Button::left;
    else if (word == "middle")
        button = Button::middle;
    else if (word == "right")
        button = Button::right;
    else
        return false;
    return true;
}

// Reads one item's words into events; false with what was expected in error.
class ItemReader {
public:
    ItemReader(const std::string& item, int width, int height, double& clock)
        : words(split(item)), width(width), height(height), clock(clock) {}

    bool read(std::vector<Event>& events, std::string& error);

private:
    static std::vector<std::string> split(const std::string& text) {
        std::istringstream in(text);
        std::vector<std::string> all;
        for (std::string word; in >> word;) all.push_back(word);
        return all;
    }
    bool point(int& x, int& y) {
        if (next >= words.size()) return false;
        const std::string& word = words[next];
        const std::size_t comma = word.find(',');
        if (comma == std::string::npos || !readInteger(word.substr(0, comma), x, kMaxCoordinate) ||
            !readInteger(word.substr(comma + 1), y, kMaxCoordinate))
            return false;
        ++next;
        return true;
    }
    bool modifiersAndVerb(std::string& verb);
    void add(Event event, double step = 1.0) {
        clock += step;
        event.time = clock;
        event.modifiers = modifiers;
        out->push_back(event);
    }
    bool pointer(Event::Kind kind, Button button) {
        int x = 0;
        int y = 0;
        if (!point(x, y)) return false;
        add(Event::pointer(kind, button, x, y));
        return true;
    }
    bool keys();
    bool drag();
    bool clicks(int count);
    bool scroll();
    bool resize();
    bool wait();

    std::vector<std::string> words;
    std::size_t next = 0;
    int width;
    int height;
    double& clock;
    unsigned modifiers = 0;
    std::vector<Event>* out = nullptr;
    std::string expected;
};

bool ItemReader::modifiersAndVerb(std::string& verb) {
    verb = words[0];
    for (std::size_t plus; (plus = verb.find('+')) != std::string::npos;) {
        const std::string name = verb.substr(0, plus);
        if (name == "shift")
            modifiers |= kShift;
        else if (name == "ctrl")
            modifiers |= kControl;
        else if (name == "alt")
            modifiers |= kAlt;
        else
            return false;
        verb.erase(0, plus + 1);
    }
    next = 1;
    return true;
}

bool ItemReader::read(std::vector<Event>& events, std::string& error) {
    out = &events;
    std::string verb;
    if (!modifiersAndVerb(verb)) {
        error = "unknown modifier in \"" + words[0] + "\"; expected shift, ctrl or alt";
        return false;
    }
    bool good = false;
    Button button = Button::left;
    expected = "X,Y";
    if (verb == "key")
        good = keys();
    else if (verb == "press" || verb == "release") {
        expected = "a button (left, middle or right) and X,Y";
        good = next < words.size() && readButton(words[next++], button) &&
               pointer(verb == "press" ? Event::Kind::press : Event::Kind::release, button);
    } else if (verb == "move")
        good = pointer(Event::Kind::motion, Button::left);
    else if (verb == "drag")
        good = drag();
    else if (verb == "click")
        good = clicks(1);
    else if (verb == "double-click")
        good = clicks(2);
    else if (verb == "scroll")
        good = scroll();
    else if (verb == "resize")
        good = resize();
    else if (verb == "wait")
        good = wait();
    else {
        error = "unknown event \"" + verb + "\"; expected key, press, release, move, drag, " +
                "click, double-click, scroll, resize or wait";
        return false;
    }
    if (good && next == words.size()) return true;
    error = "\"" + verb + "\" expects " + expected;
    if (next < words.size()) error += ", found \"" + words[next] + "\"";
    return false;
}

bool ItemReader::keys() {
    expected = "key names";
    if (next == words.size()) return false;
    for (; next < words.size(); ++next) {
        KeyCode key;
        if (!keyCodeOf(words[next], key)) return false;
        add(Event::keyPress(key));
    }
    return true;
}

bool ItemReader::drag() {
    expected = "an optional button and two or more points X,Y";
    Button button = Button::left;
    if (next < words.size() && readButton(words[next], button)) ++next;
    int x = 0;
    int y = 0;
    if (!point(x, y)) return false;
    add(Event::pointer(Event::Kind::press, button, x, y));
    int moves = 0;
    while (point(x, y)) {
        add(Event::pointer(Event::Kind::motion, button, x, y), 0.05);
        ++moves;
    }
    if (moves == 0) return false;
    add(Event::pointer(Event::Kind::release, button, x, y), 0.05);
    return true;
}

bool ItemReader::clicks(int count) {
    expected = count == 1 ? "an optional button and X,Y" : "X,Y";
    Button button = Button::left;
    if (count == 1 && next < words.size() && readButton(words[next], button)) ++next;
    int x = 0;
    int y = 0;
    if (!point(x, y)) return false;
    for (int i = 0; i < count; ++i) {
        add(Event::pointer(Event::Kind::press, button, x, y), i == 0 ? 1.0 : 0.1);
        add(Event::pointer(Event::Kind::release, button, x, y), 0.0);
    }
    return true;
}

bool ItemReader::scroll() {
    expected = "a number of steps (not 0) and an optional \"at X,Y\"";
    int steps = 0;
    if (next == words.size() || !readInteger(words[next], steps, 1000) || steps == 0) return false;
    ++next;
    int x = width / 2;
    int y = height / 2;
    if (next < words.size()) {
        if (words[next] != "at") return false;
        ++next;
        if (!point(x, y)) return false;
    }
    add(Event::wheel(steps, x, y));
    return true;
}

bool ItemReader::resize() {
    expected = "WIDTHxHEIGHT, each from 1 to 16384";
    if (next == words.size()) return false;
    const std::string& size = words[next];
    const std::size_t x = size.find('x');
    int w = 0;
    int h = 0;
    if (x == std::string::npos || !readInteger(size.substr(0, x), w, 16384, false) ||
        !readInteger(size.substr(x + 1), h, 16384, false) || w < 1 || h < 1)
        return false;
    ++next;
    add(Event::resized(w, h));
    return true;
}

bool ItemReader::wait() {
    expected = "seconds from 0 to 3600";
    if (next == words.size()) return false;
    char* end = nullptr;
    const double seconds = std::strtod(words[next].c_str(), &end);
    if (end == words[next].c_str() || *end != '\0' || !(seconds >= 0.0 && seconds <= 3600.0))
        return false;
    ++next;
    Event tick;
    tick.kind = Event::Kind::tick;
    add(tick, seconds);
    return true;
}

}  // namespace

bool readEventScript(const std::string& script, int width, int height,
                     std::vector<std::vector<Event>>& items, std::string& error) {
    double clock = 0.0;
    std::size_t start = 0;
    for (int number = 1; start <= script.size(); ++number) {
        std::size_t end = script.find(';', start);
        if (end == std::string::npos) end = script.size();
        const std::string item = script.substr(start, end - start);
        start = end + 1;
        if (item.find_first_not_of(" \t\n") == std::string::npos) continue;
        std::vector<Event> events;
        ItemReader reader(item, width, height, clock);
        if (!reader.read(events, error)) {
            error = "item " + std::to_string(number) + ": " + error;
            return false;
        }
        items.push_back(std::move(events));
    }
    return true;
}

}  // namespace kalderino
