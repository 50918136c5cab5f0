#pragma once
// The option syntax of the command-line tools: "--opt value" and "--opt=value",
// flags without a value, and "--" to end the options (an operand may then
// begin with "-"). A lone "-" is an operand.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace shared {

class OptionParser {
  public:
    // Each handler returns "" when it accepted its input, else a one-line reason.
    using FlagHandler = std::function<std::string()>;
    using ValueHandler = std::function<std::string(const std::string& value)>;

    void Flag(const std::string& name, FlagHandler handler);
    void Value(const std::string& name, ValueHandler handler);
    void Operand(ValueHandler handler);

    // Hands every option and operand to its handler in the order given; the
    // first mistake stops the parse and is returned, else "".
    std::string Parse(const std::vector<std::string>& args) const;

  private:
    std::string TakeOption(const std::vector<std::string>& args, std::size_t& i) const;

    std::map<std::string, FlagHandler> flags_;
    std::map<std::string, ValueHandler> values_;
    ValueHandler operand_;
};

}  // namespace shared
