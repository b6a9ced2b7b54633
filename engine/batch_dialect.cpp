#include "engine/batch_dialect.h"

#include "platform/os_platform.h"

namespace {

class T_Windows_Batch : public T_Batch_Dialect {
public:
    std::string Echo_Off() const override { return "@"; }
    // A doubled "%" reaches the program as one; a name cannot hold a quote.
    std::string Quote(const std::string& name) const override
    {
        return "\"" + Double_Percent(name) + "\"";
    }
    std::string Line_Break() const override { return "\r\n"; }
    std::string Script_Extension() const override { return ".bat"; }
    std::string Script_Command_Line(const std::string& script,
                                    const std::string& extra_arguments) const override
    {
        return "\"" + script + "\" " + extra_arguments;
    }
};

class T_Posix_Sh : public T_Batch_Dialect {
public:
    std::string Echo_Off() const override { return ""; }
    std::string Quote(const std::string& name) const override
    {
        std::string quoted = "'";
        for (char c : name)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    std::string Line_Break() const override { return "\n"; }
    std::string Script_Extension() const override { return ".sh"; }
    std::string Script_Command_Line(const std::string& script,
                                    const std::string& extra_arguments) const override
    {
        return "/bin/sh " + Quote(script) + " " + extra_arguments;
    }
};

} // namespace

const T_Batch_Dialect& Windows_Batch_Dialect()
{
    static const T_Windows_Batch dialect;
    return dialect;
}

const T_Batch_Dialect& Posix_Sh_Dialect()
{
    static const T_Posix_Sh dialect;
    return dialect;
}

const T_Batch_Dialect& Native_Dialect()
{
    return os::Native_Script_Kind() == os::T_Script_Kind::Windows_Batch ? Windows_Batch_Dialect()
                                                                        : Posix_Sh_Dialect();
}

std::string Double_Percent(const std::string& text)
{
    std::string doubled;
    doubled.reserve(text.size());
    for (char c : text) {
        if (c == '%')
            doubled += '%';
        doubled += c;
    }
    return doubled;
}
