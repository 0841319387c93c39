import QtQuick 2.12

// The main view only hosts the scene: its root stays an invisible 1 x 1 item.
Item {
    id: root_father
    width: 1
    height: 1
    visible: false
}
