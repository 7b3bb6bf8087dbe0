#include "lsp/ClientSettings.h"

#include "keywords/SqlDialectNames.h"

namespace kelvra::lsp {
namespace {

using nlohmann::json;

struct ClientSetting {
    const char *key;
    const char *expected; // for the complaint
    bool (*apply)(const json &value, cli::FormatSettings &into);
};

template <bool cli::FormatSettings::*field, bool inverted = false> bool Flag(const json &v, cli::FormatSettings &s) {
    if (!v.is_boolean()) return false;
    s.*field = v.get<bool>() != inverted;
    return true;
}

template <bool EditorOptions::*field> bool OptionFlag(const json &v, cli::FormatSettings &s) {
    if (!v.is_boolean()) return false;
    s.options.*field = v.get<bool>();
    return true;
}

bool Indent(const json &v, cli::FormatSettings &s) {
    if (!v.is_number_integer() || v.get<long long>() < 1 || v.get<long long>() > 10) return false;
    s.options.Indent = v.get<int>();
    return true;
}

bool Comma(const json &v, cli::FormatSettings &s) {
    if (v != "after" && v != "before") return false;
    s.options.Comma = v == "after" ? CommaPosition::After : CommaPosition::Before;
    return true;
}

bool Dialect(const json &v, cli::FormatSettings &s) {
    const std::optional<SqlDialect> d = v.is_string() ? DialectNamed(v.get<std::string>()) : std::nullopt;
    if (d) s.options.Dialect = *d;
    return d.has_value();
}

constexpr ClientSetting kSettings[] = {
    {"indent", "a number from 1 to 10", Indent},
    {"comma", "\"after\" or \"before\"", Comma},
    {"lineBreaksSeparate", "true or false", OptionFlag<&EditorOptions::LfSp>},
    {"simple", "true or false", OptionFlag<&EditorOptions::SimpleMode>},
    {"keepMeaning", "true or false", OptionFlag<&EditorOptions::KeepMeaning>},
    {"dialect", kSqlDialectChoices, Dialect},
    {"joinLines", "true or false", Flag<&cli::FormatSettings::refuseWordJoins, true>},
    {"tidy", "true or false", Flag<&cli::FormatSettings::tidy>},
};

} // namespace

std::vector<std::string> ApplyClientSettings(const json &settings, cli::FormatSettings &into) {
    std::vector<std::string> complaints;
    if (!settings.is_object()) {
        if (!settings.is_null()) complaints.push_back("the settings are not a JSON object and were left alone");
        return complaints;
    }
    const json &ours = settings.contains("kelvra") ? settings["kelvra"] : settings;
    if (!ours.is_object()) return {"the \"kelvra\" settings are not a JSON object and were left alone"};
    for (const ClientSetting &s : kSettings) {
        const auto it = ours.find(s.key);
        if (it == ours.end() || it->is_null()) continue;
        if (!s.apply(*it, into))
            complaints.push_back(std::string("\"") + s.key + "\" needs " + s.expected + ", not " + it->dump() +
                                 "; it was left as it was");
    }
    return complaints;
}

} // namespace kelvra::lsp
