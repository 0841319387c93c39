import QtQuick

// The request dispatcher: every page request runs here, key by key in a fixed
// order, on the native objects; answers go back to pages as qtQueryCallback
// replies and qtSlots pushes.
Item {
    property alias jsobject: m_object

    QtObject {
        id: m_object
        objectName: "m_object"

        function createSuccessMsg(id, request, msg) {
            return { "request": request, "status": "success", "id": id, "successMsg": String(msg) }
        }

        // Pages read the misspelt "statuc": keep it.
        function createFailureMsg(id, request, failureId, msg) {
            return { "request": request, "statuc": "failure", "id": id,
                     "failureVal": failureId, "failureMsg": msg }
        }

        function callback(name, msg) {
            cppCef.sendToWeb(name, "qtQueryCallback(" + JSON.stringify(msg) + ")")
        }

        function callWeb(name, msg) {
            cppCef.sendToWeb(name, "qtSlots(" + JSON.stringify(msg) + ")")
        }

        function callQML(msgStr) {
            var message = JSON.parse(msgStr)
            var sender = message.name
            var requestText = message.request
            var R = JSON.parse(requestText)
            // Pages choose both the window name and the request: neither may fill the log.
            cppLog.netInfo("name:" + cppLog.excerpt(String(sender)) + " recv H5:"
                           + cppLog.excerpt(requestText))

            // Native string parameters get a missing member or null as "",
            // a number as its decimal text.
            function arg(value) {
                return value === undefined || value === null ? "" : String(value)
            }
            function has(key) {
                return R[key] !== undefined
            }
            function reply(to, value) {
                callback(arg(to), createSuccessMsg(message.id, requestText, value))
            }
            function pushChildren(to, list) {
                callWeb(arg(to), { "OpenChildren": list, "BeName": sender })
            }

            if (has("WindowStatus"))
                cppCef.setWindowStatus(arg(sender), arg(R.WindowStatus))
            if (has("Close")) {
                var closeFather = cppCef.getFatherName(arg(sender))
                var siblings = cppCef.getCefClients(arg(R.Close), false)
                var hide = cppCef.getNeedHide(arg(R.Close))
                reply(sender, siblings)
                if (hide)
                    pushChildren(closeFather, siblings)
                cppCef.closeWindow(arg(R.Close))
            }
            if (has("Open")) {
                cppCef.openWindow(arg(R.Open), arg(R.Father), arg(R.IE), arg(R.Url), arg(R.RECT),
                                  arg(R.Align), arg(R.VAlign), arg(R.NeedHide),
                                  arg(R.LostFocusHide), arg(R.Front))
                reply(sender, cppCef.getCefClients(arg(R.Father)))
                if (R.LostFocusHide !== "1")
                    pushChildren(R.Father, cppCef.getCefClients(arg(R.Father)))
            }
            if (has("SwitchWindow")) {
                var switchFather = cppCef.getFatherName(arg(sender))
                cppCef.switchWindow(arg(R.SwitchWindow), arg(R.NeedHide))
                reply(sender, cppCef.getCefClients(switchFather))
            }
            if (has("MouseDown"))
                cppCef.moveWindow(arg(R.MouseDown))
            if (has("GetCefClients"))
                reply(sender, cppCef.getCefClients(arg(R.GetCefClients)))
            if (has("SendMsg"))
                callWeb(arg(R.SendMsg), R.Msg)
            if (has("ClearCache")) {
                cppCef.clearIECache()
                cppConfig.setIsCache(true)
                cppTool.quitApp()
            }
            if (has("SetMute"))
                cppTool.setMute(R.SetMute === "1")
            if (has("StartProcess"))
                cppTool.startLocalProcess(arg(R.StartProcess))
            if (has("QuitApp"))
                cppTool.quitApp()
            if (has("SetHookPopup"))
                cppCef.setHookPopup(arg(R.SetHookPopup))
            if (has("OpenUrl"))
                cppCef.openUrl(arg(R.OpenUrl))
            if (has("Reload"))
                cppCef.reload(arg(R.Reload))
            if (has("Load")) {
                cppCef.load(arg(R.Load), arg(R.Url))
                reply(R.Load, cppCef.getCefClients(arg(R.Load)))
            }
            if (has("SetConfig"))
                cppConfig.set(arg(R.SetConfig), arg(R.Value))
            if (has("GetConfig"))
                reply(R.GetConfig, cppConfig.get(arg(R.Key)))
            if (has("Resize"))
                cppCef.resizeWindow(arg(R.Resize), arg(R.Width), arg(R.Height))
            if (has("SetSystemTray"))
                cppCef.hideToTray()
            if (has("GetUUID"))
                reply(R.GetUUID, cppTool.getCpuID() + "|" + cppTool.getHostMacAddress())
            // The update is started from the download folder; a name that
            // leads out of it starts nothing.
            if (has("UpdateApp")) {
                cppTool.startUpdate(arg(R.UpdateApp), arg(R.Sha256))
                cppTool.quitApp()
            }
            if (has("GetVersion"))
                reply(R.GetVersion, cppConfig.getVersion())
            if (has("GetAllData")) {
                var data = { "Cpuid": cppTool.getCpuID(), "Mac": cppTool.getHostMacAddress(),
                             "MainUrl": cppConfig.getMainUrl(), "Version": cppConfig.getVersion(),
                             "InstallPackName": cppConfig.getInstallPackName() }
                reply(R.GetAllData, JSON.stringify(data))
            }
        }
    }
}
