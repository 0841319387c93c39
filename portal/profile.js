// The profile menu, a popup of the lobby. It reads its setting with its own window name: the
// reply goes to the window that the request names.
(function () {
    'use strict';

    var remember = document.getElementById('remember');

    remember.addEventListener('change', function () {
        Bridge.request({ SetConfig: 'rememberMe', Value: remember.checked ? '1' : '0' });
    });

    document.getElementById('wave').addEventListener('click', function () {
        Bridge.request({ SendMsg: 'login', Msg: { From: 'Nova', Text: 'waves from the profile menu' } });
    });

    // Signing out starts the lobby afresh; the menu hides first (the order of the keys is the
    // shell's, not the request's).
    document.getElementById('sign-out').addEventListener('click', function () {
        Bridge.request({ Reload: 'login', Close: Bridge.name });
    });

    Bridge.onPush(Chrome.showMessage);
    Bridge.request({ GetConfig: Bridge.name, Key: 'rememberMe' }, function (value) {
        remember.checked = value === '1';
    });
})();
