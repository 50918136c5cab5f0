#include "shared/command_line.h"

namespace shared {

void OptionParser::Flag(const std::string& name, FlagHandler handler) {
    flags_[name] = std::move(handler);
}

void OptionParser::Value(const std::string& name, ValueHandler handler) {
    values_[name] = std::move(handler);
}

void OptionParser::Operand(ValueHandler handler) { operand_ = std::move(handler); }

std::string OptionParser::TakeOption(const std::vector<std::string>& args, std::size_t& i) const {
    const std::string& arg = args[i];
    std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    std::string name = arg.substr(0, equals);
    if (auto value = values_.find(name); value != values_.end()) {
        if (equals != std::string::npos) return value->second(arg.substr(equals + 1));
        if (i + 1 == args.size()) return "option " + name + " needs a value";
        return value->second(args[++i]);
    }
    if (auto flag = flags_.find(name); flag != flags_.end()) {
        if (equals != std::string::npos) return "option " + name + " takes no value";
        return flag->second();
    }
    return "unknown option " + name;
}

std::string OptionParser::Parse(const std::vector<std::string>& args) const {
    bool operandsOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
            error = operand_ ? operand_(arg) : "unexpected argument " + arg;
        } else if (arg == "--") {
            operandsOnly = true;
        } else {
            error = TakeOption(args, i);
        }
        if (!error.empty()) return error;
    }
    return {};
}

}  // namespace shared
