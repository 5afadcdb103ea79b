#pragma once

#include <QString>
#include <QStringList>

// Plain words for the failures of a fetch: the session's messages are
// libcurl's English texts and HTTP status lines, which a user cannot act on.
// Pure functions, callable from any thread.

// A short Russian reason for a worker's status ("ERROR_" and a message, or
// the message alone), where one is known; empty otherwise.
QString FailureReason(const QString& statusText);

// The one warning a run gives when its requests keep failing with no answer
// of the server at all; `lastMessage` is the last failure's message. When the
// requests went through proxies, the failures are theirs: the warning names
// `proxies` (display names) instead of the portal.
QString NoAnswerWarning(const QString& url, int failures, const QString& lastMessage,
                        const QStringList& proxies = {});
