// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <stdexcept>

// A run-time error as the programs' handlers see it: a number, the name of the
// component that raised it, and a description. Handlers trap it with try/catch.
class AppError : public std::runtime_error
{
public:
    AppError(int number, QString source, QString description)
        : std::runtime_error(description.toStdString()), m_number(number),
          m_source(std::move(source)), m_description(std::move(description))
    {
    }

    int number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }

private:
    int m_number;
    QString m_source;
    QString m_description;
};

namespace errors
{
inline constexpr int kInvalidPropertyValue = 380;
inline constexpr int kMinimizedOrMaximized = 384;
inline constexpr int kCancel = 32755; // the common dialog's Cancel with CancelError set
} // namespace errors
