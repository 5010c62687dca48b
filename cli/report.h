// What the tool prints: either "key: value" lines for people or one JSON
// document for scripts.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace kavex::cli {

class Report {
public:
    explicit Report(bool json) : json_(json) {}

    // Starts the section of one command; later values go into it.
    void Begin(const std::string& command);
    void Value(const std::string& key, const std::string& text);
    void Value(const std::string& key, long long number);
    void Flag(const std::string& key, bool value);
    void Error(const std::string& message, int status);

    // Prints everything (JSON mode) or nothing more (text mode prints as
    // it goes).
    void Finish(bool ok);

private:
    bool json_;
    nlohmann::json doc_ = nlohmann::json::object();
    nlohmann::json* current_ = nullptr;
    std::string currentName_;
};

} // namespace kavex::cli
