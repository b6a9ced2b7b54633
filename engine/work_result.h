// What a step of a comparison came to: the file it made or found, a message
// for the user, or a stop that the user asked for (and so is told nothing).
#pragma once

#include <string>
#include <utility>

struct T_Work_Result {
    enum class T_Outcome { Done, Failed, Stopped };

    T_Outcome Outcome = T_Outcome::Done;
    std::string File;    // Done: the file made or found, when the step makes one
    std::string Message; // Failed: what went wrong, in the user's words

    bool Done() const { return Outcome == T_Outcome::Done; }
    bool Stopped() const { return Outcome == T_Outcome::Stopped; }

    static T_Work_Result Made(std::string file) { return {T_Outcome::Done, std::move(file), {}}; }
    static T_Work_Result Failure(std::string message)
    {
        return {T_Outcome::Failed, {}, std::move(message)};
    }
    static T_Work_Result Stop() { return {T_Outcome::Stopped, {}, {}}; }
};
