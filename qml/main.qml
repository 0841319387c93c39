import QtQuick
// The style Qt 5 used by default, named: Qt 6 picks one per platform, and the native ones refuse
// the custom backgrounds below.
import QtQuick.Controls.Basic
import QtQuick.Window
import Qt5Compat.GraphicalEffects

// The main view's scene: it creates and destroys the shell's windows on the
// window manager's word, routes page messages to the dispatcher and shows the
// splash. The root stays an invisible 1 x 1 item.
Item {
    id: root_father
    objectName: "root_father"
    visible: false
    width: 1
    height: 1

    // A developer's panel for opening windows and calling pages by hand; it
    // lives under the invisible root, so users never see it.
    TextField {
        id: m_url
        width: 600; height: 50
        text: "http://www.corvela.example/member/login"
        placeholderText: "url"
        background: Rectangle { color: "#999999" }
    }
    TextField {
        id: m_urlname
        anchors.top: m_url.bottom
        width: 200; height: 50
        text: "login"
        placeholderText: "urlname"
        background: Rectangle { color: "#995599" }
    }
    TextField {
        id: m_fathername
        anchors.top: m_url.bottom; anchors.left: m_urlname.right
        width: 200; height: 50
        placeholderText: "fathername"
        background: Rectangle { color: "#995555" }
    }
    TextField {
        id: m_mode
        anchors.top: m_url.bottom; anchors.left: m_fathername.right
        width: 200; height: 50
        placeholderText: "IE"
        background: Rectangle { color: "#555555" }
    }
    TextField {
        id: m_rect
        anchors.top: m_mode.bottom
        width: 200; height: 50
        text: "0,0,300,500"
        placeholderText: "rect"
        background: Rectangle { color: "#990099" }
    }
    TextField {
        id: m_align
        anchors.top: m_mode.bottom; anchors.left: m_rect.right
        width: 200; height: 50
        text: "Center"
        placeholderText: "align"
        background: Rectangle { color: "#999999" }
    }
    TextField {
        id: m_valign
        anchors.top: m_mode.bottom; anchors.left: m_align.right
        width: 200; height: 50
        text: "VCenter"
        placeholderText: "valign"
        background: Rectangle { color: "#990099" }
    }
    TextField {
        id: m_resize
        anchors.top: m_valign.bottom
        width: 200; height: 50
        placeholderText: "resize"
        background: Rectangle { color: "#999999" }
    }
    TextField {
        id: m_needHide
        anchors.top: m_valign.bottom; anchors.left: m_resize.right
        width: 200; height: 50
        placeholderText: "needHide"
        background: Rectangle { color: "#555555" }
    }
    TextField {
        id: m_lostFocusHide
        anchors.top: m_valign.bottom; anchors.left: m_needHide.right
        width: 200; height: 50
        placeholderText: "lostFocusHide"
        background: Rectangle { color: "#995555" }
    }
    TextField {
        id: m_toname
        anchors.top: m_needHide.bottom
        width: 150; height: 50
        placeholderText: "Call_ToName"
        background: Rectangle { color: "#EEEE77" }
    }
    TextField {
        id: m_tomsg
        anchors.top: m_needHide.bottom; anchors.left: m_toname.right
        width: 600; height: 50
        placeholderText: "Call_ToMsg(JSON)"
        background: Rectangle { color: "#EEEE22" }
    }
    Button {
        id: btn_open
        width: 100; height: 100
        anchors.verticalCenter: parent.verticalCenter
        text: "open"
        onClicked: cppCef.openWindow(m_urlname.text, m_fathername.text, m_mode.text, m_url.text,
                                     m_rect.text, m_align.text, m_valign.text, m_needHide.text,
                                     m_lostFocusHide.text, "")
    }
    Button {
        id: btn_call
        width: 100; height: 100
        anchors.verticalCenter: parent.verticalCenter
        anchors.left: btn_open.right
        text: "call"
        background: Rectangle { color: "#EEEEEE" }
        onClicked: cppCef.sendToWeb(m_toname.text, m_tomsg.text)
    }
    Button {
        width: 100; height: 100
        anchors.verticalCenter: parent.verticalCenter
        anchors.left: btn_call.right
        text: "test"
        background: Rectangle { color: "#AAAAAA" }
        onClicked: cppCef.test()
    }

    Connections {
        target: cppCef
        property var taskMap: ({"0": 0})

        function onSgOpenNewWindow(father, json) {
            var properties = JSON.parse(json)
            var window = itemCompont.createObject(father === null ? root_father : father,
                                                  properties)
            taskMap[properties.objectName] = window
        }

        // A name the scene never made a window for has nothing to destroy.
        function onSgCloseWindow(name) {
            var window = taskMap[name]
            if (window)
                window.destroy()
            delete taskMap[name]
        }
    }

    Component {
        id: itemCompont
        Window {
            id: m_window
            visible: true
        }
    }

    WebView {
        id: m_webview
        Connections {
            target: cppCef
            function onSgWebMsgReceived(msg) {
                if (JSON.parse(msg).msgName === "callQML")
                    m_webview.jsobject.callQML(msg)
            }
        }
    }

    Window {
        id: m_loginlogo
        width: 137
        height: 100
        visible: true
        color: "transparent"
        x: (cppTool.getNowDesktopWidth(cppTool.getMousePos()) - width) / 2
           + cppTool.getNowDesktopX(cppTool.getMousePos())
        y: (cppTool.getNowDesktopHeight(cppTool.getMousePos()) - height) / 2
           + cppTool.getNowDesktopY(cppTool.getMousePos())

        Image {
            anchors.fill: parent
            asynchronous: true
            sourceSize.width: parent.width
            sourceSize.height: parent.height
            fillMode: Image.PreserveAspectFit
            source: "qrc:/images/logo.png"
        }
        Connections {
            target: cppCef
            function onSgCloseLogo() {
                m_loginlogo.close()
            }
        }
        Component.onCompleted: flags = cppWindow.flags
    }
}
