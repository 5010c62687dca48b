#include "cli/report.h"

#include <iostream>

namespace kavex::cli {

void Report::Begin(const std::string& command)
{
    currentName_ = command;
    if (!json_) return;
    nlohmann::json& list = doc_["commands"];
    list.push_back({{"command", command}});
    current_ = &list.back();
}

void Report::Value(const std::string& key, const std::string& text)
{
    if (json_) {
        if (current_) (*current_)[key] = text;
        return;
    }
    std::cout << key << ": " << text << '\n';
}

void Report::Value(const std::string& key, long long number)
{
    if (json_) {
        if (current_) (*current_)[key] = number;
        return;
    }
    std::cout << key << ": " << number << '\n';
}

void Report::Flag(const std::string& key, bool value)
{
    if (json_) {
        if (current_) (*current_)[key] = value;
        return;
    }
    std::cout << key << ": " << (value ? "yes" : "no") << '\n';
}

void Report::Error(const std::string& message, int status)
{
    if (json_) {
        doc_["error"] = {{"message", message}, {"status", status}};
        if (!currentName_.empty()) doc_["error"]["command"] = currentName_;
        return;
    }
    std::cout.flush();
    std::cerr << "kavex: " << (currentName_.empty() ? "" : currentName_ + ": ") << message << '\n';
}

void Report::Finish(bool ok)
{
    if (!json_) return;
    doc_["ok"] = ok;
    std::cout << doc_.dump(2) << '\n';
}

} // namespace kavex::cli
