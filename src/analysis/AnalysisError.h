#pragma once

#include <QString>
#include <stdexcept>

namespace hra::analysis {

// An analysis that cannot be done for the stored data (no such assessment,
// or an evaluation without a defined result for it). The message is meant
// for the operator.
class AnalysisError : public std::runtime_error
{
public:
    explicit AnalysisError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace hra::analysis
