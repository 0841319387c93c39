import QtQuick 2.12

// The request dispatcher: pages' requests arrive here through callQML.
Item {
    id: root
    property alias jsobject: m_object

    QtObject {
        id: m_object

        function callQML(msg) {
        }
    }
}
