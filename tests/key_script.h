// The key scripts that keyscript.cpp plays and the referee reads: frames
// separated by ',', each a '+'-joined list of tokens, optionally followed by
// '*N' to repeat that frame N times. An empty frame holds no key.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

inline std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// A frame's tokens, and how many frames in a row hold them.
struct script_run {
    std::vector<std::string> tokens;
    long repeat;
};

// The script's frames in order, a run for each item.
inline std::vector<script_run> script_runs(const std::string& script)
{
    std::vector<script_run> runs;
    if (script.empty())
        return runs;
    for (std::string item : split(script, ',')) {
        long repeat = 1;
        const size_t star = item.find('*');
        if (star != std::string::npos) {
            repeat = std::atol(item.c_str() + star + 1);
            item.resize(star);
        }
        std::vector<std::string> tokens;
        for (const std::string& token : split(item, '+'))
            if (!token.empty())
                tokens.push_back(token);
        runs.push_back({tokens, repeat});
    }
    return runs;
}

// The script's frames in order, repeats written out, each as its tokens.
inline std::vector<std::vector<std::string>> script_frames(const std::string& script)
{
    std::vector<std::vector<std::string>> frames;
    for (const script_run& run : script_runs(script))
        frames.insert(frames.end(), run.repeat, run.tokens);
    return frames;
}
