#include "update/UpdateWorker.h"

#include "update/VendorClient.h"

void runUpdateWorker(UpdatePlatform& platform, UpdateWorkerWindow& window, UpdateGuard& guard,
                     std::atomic<int>& blocked)
{
    char text[replyBufferSize] = {};
    char url[replyBufferSize] = {};
    switch (fetchVendorNotice(platform, text, url, blocked)) {
    case noticeReady:
        window.showNotice(text, url);
        break;
    case noticeUpgrade: {
        // Cancel leaves the upgrade page up for the rest of the run.
        if (!window.ask(upgradePromptText))
            break;
        const int result = checkAndInstallUpdate(platform, guard);
        if (result == updateStarted) {
            window.endProcess();
            break;
        }
        const std::string message = updateResultText(result, UpdateCaller::startupPrompt);
        if (!message.empty())
            window.tell(message.c_str());
        break;
    }
    default:
        break;
    }
}
