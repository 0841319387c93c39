// A game window: a small orb-catching game drawn on a canvas, in the colours the lobby passes
// in the address. It reports its score to the lobby and shows what other windows send it.
(function () {
    'use strict';

    var hue = Number(Bridge.params.get('hue')) || 250;
    var canvas = document.getElementById('field');
    var context = canvas.getContext('2d');
    var stars = [];
    var orbs = [];
    var score = 0;

    document.body.style.setProperty('--hue', hue);

    function resize() {
        canvas.width = canvas.clientWidth;
        canvas.height = canvas.clientHeight;
    }

    function randomStar() {
        return { x: Math.random(), y: Math.random(), speed: 0.0004 + Math.random() * 0.0012,
                 size: Math.random() * 1.8 };
    }

    function randomOrb() {
        return { x: 0.1 + Math.random() * 0.8, y: 1.1, speed: 0.0015 + Math.random() * 0.002,
                 radius: 14 + Math.random() * 14, phase: Math.random() * Math.PI * 2 };
    }

    function draw(time) {
        var width = canvas.width;
        var height = canvas.height;
        var sky = context.createLinearGradient(0, 0, 0, height);
        sky.addColorStop(0, 'hsl(' + hue + ', 45%, 8%)');
        sky.addColorStop(1, 'hsl(' + (hue + 40) + ', 55%, 18%)');
        context.fillStyle = sky;
        context.fillRect(0, 0, width, height);

        context.fillStyle = 'rgba(255, 255, 255, 0.8)';
        stars.forEach(function (star) {
            star.y = (star.y + star.speed) % 1;
            context.fillRect(star.x * width, star.y * height, star.size, star.size);
        });

        orbs.forEach(function (orb) {
            orb.y -= orb.speed;
            var x = orb.x * width + Math.sin(time / 600 + orb.phase) * 24;
            var y = orb.y * height;
            var glow = context.createRadialGradient(x, y, 0, x, y, orb.radius * 1.8);
            glow.addColorStop(0, 'hsla(' + (hue + 140) + ', 100%, 80%, 1)');
            glow.addColorStop(0.4, 'hsla(' + (hue + 140) + ', 100%, 60%, 0.8)');
            glow.addColorStop(1, 'hsla(' + (hue + 140) + ', 100%, 50%, 0)');
            context.fillStyle = glow;
            context.beginPath();
            context.arc(x, y, orb.radius * 1.8, 0, Math.PI * 2);
            context.fill();
            orb.screenX = x;
            orb.screenY = y;
        });
        orbs = orbs.filter(function (orb) {
            return orb.y > -0.1;
        });
        if (orbs.length < 6 && Math.random() < 0.03)
            orbs.push(randomOrb());
        window.requestAnimationFrame(draw);
    }

    canvas.addEventListener('mousedown', function (event) {
        var bounds = canvas.getBoundingClientRect();
        var x = event.clientX - bounds.left;
        var y = event.clientY - bounds.top;
        var before = orbs.length;
        orbs = orbs.filter(function (orb) {
            return Math.hypot(orb.screenX - x, orb.screenY - y) > orb.radius * 1.4;
        });
        if (orbs.length === before)
            return;
        score += 10 * (before - orbs.length);
        document.getElementById('score').textContent = score;
        Chrome.playTones([520 + Math.random() * 400], 0);
    });

    document.getElementById('tell-lobby').addEventListener('click', function () {
        var title = Bridge.params.get('title') || Bridge.name;
        Bridge.request({
            SendMsg: 'login',
            Msg: { From: Bridge.name, Text: 'Scored ' + score + ' in ' + title + '!' }
        });
    });

    document.getElementById('toggle-log').addEventListener('click', function () {
        document.getElementById('log-panel').classList.toggle('collapsed');
    });

    Bridge.onPush(Chrome.showMessage);

    for (var i = 0; i < 140; ++i)
        stars.push(randomStar());
    resize();
    window.addEventListener('resize', resize);
    window.requestAnimationFrame(draw);
})();
