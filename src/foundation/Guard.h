#pragma once
#include "foundation/Messages.h"
#include "foundation/TextError.h"
#include <QString>
#include <exception>
#include <optional>
#include <utility>

inline constexpr const char* kUnbekannterFehler = "Es ist ein unbekannter Fehler aufgetreten.";

// Runs f; the text of what it threw, none when it returned. Nothing escapes, so nothing
// crosses the event loop.
template <class F>
std::optional<QString> FailureOf(F&& f)
{
    try {
        std::forward<F>(f)();
        return std::nullopt;
    } catch (const TextError& e) {
        return e.Text();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QString::fromUtf8(kUnbekannterFehler);
    }
}

// The handler guard: runs f; a failure is shown as an error and ends it. False on failure.
template <class F>
bool Guard(F&& f)
{
    const std::optional<QString> failure = FailureOf(std::forward<F>(f));
    if (failure)
        Msg::Error(*failure);
    return !failure;
}
