// The bridge's transport over Qt WebEngine: a web channel, which only the
// bridge's script world of the main frame is given, with the channel client
// beside this script in one private scope. The engine host asks for the
// player's gestures by running lumenGestures() in that world.
var bridgeTransport = {
    connect: function (ready) {
        new QWebChannel(window.qt.webChannelTransport, function (channel) {
            ready(channel.objects[channelObjectName]);
        });
    },
    offerGestures: function (report) {
        window.lumenGestures = report;
    }
};
