// The daily reward, a window in front of the others. The day of the last claim is a setting,
// so a claim holds across runs of the program.
(function () {
    'use strict';

    var reward = 100;
    var today = new Date().toISOString().slice(0, 10);
    var claim = document.getElementById('claim');
    var status = document.getElementById('claim-status');

    function showClaimed() {
        claim.disabled = true;
        status.textContent = 'Claimed today. Come back tomorrow!';
    }

    [50, 60, 80, 100, 120, 150, 300].forEach(function (coins, index) {
        var day = document.createElement('li');
        day.className = index === 3 ? 'today' : index < 3 ? 'past' : '';
        day.innerHTML = '<span></span><strong></strong>';
        day.firstChild.textContent = 'Day ' + (index + 1);
        day.lastChild.textContent = coins;
        document.getElementById('days').appendChild(day);
    });

    claim.addEventListener('click', function () {
        Bridge.request({ SetConfig: 'lastReward', Value: today });
        Bridge.request({
            SendMsg: 'login',
            Msg: { From: 'Daily reward', Text: 'You claimed ' + reward + ' coins.', Coins: reward }
        });
        showClaimed();
    });

    Bridge.onPush(Chrome.showMessage);
    Bridge.request({ GetConfig: Bridge.name, Key: 'lastReward' }, function (value) {
        if (value === today)
            showClaimed();
    });
})();
