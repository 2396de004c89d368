// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs.h"

#include <deque>
#include <optional>
#include <vector>

// Answers the programs' modal dialogs from a script and records what they
// were asked, so tests need no nested event loop.
class ScriptedDialogs final : public Dialogs
{
public:
    using Dialogs::Dialogs;

    std::vector<MessageRequest> messages;
    std::vector<OpenFileRequest> openRequests;
    // Each open dialog takes the next answer; nothing left means Cancel.
    std::deque<std::optional<QString>> openAnswers;
    int messageAnswer = msgbox::kOk;

    std::optional<QString> openFile(const OpenFileRequest& request) override
    {
        openRequests.push_back(request);
        if (openAnswers.empty())
            return std::nullopt;
        // Copied as a path, not as an optional: GCC 12 warns of the optional's
        // copy as maybe uninitialized.
        const std::optional<QString>& next = openAnswers.front();
        std::optional<QString> answer;
        if (next)
            answer = *next;
        openAnswers.pop_front();
        return answer;
    }

protected:
    int showMessage(const MessageRequest& request) override
    {
        messages.push_back(request);
        return messageAnswer;
    }
};
