// The lobby, the page of the start window "login". Games open as child windows over it and
// its tabs switch between them; the console on the right drives the rest of the shell.
(function () {
    'use strict';

    var lobby = Bridge.name;
    var titleBarHeight = 48;
    var games = [
        { slug: 'starfall', title: 'Starfall Arena', genre: 'Space shooter', players: 12840, hue: 250,
          art: 'planet', blurb: 'Team up with four pilots and hold the ring against the swarm.' },
        { slug: 'deckhand', title: 'Deckhand Poker', genre: 'Cards', players: 8310, hue: 150,
          art: 'cards', blurb: 'Texas hold\u2019em on a river boat, table stakes only.' },
        { slug: 'runeriders', title: 'Rune Riders', genre: 'Fantasy RPG', players: 21402, hue: 28,
          art: 'rune', blurb: 'Ride the rune roads and wake the seven old stones.' },
        { slug: 'pixelkart', title: 'Pixel Kart', genre: 'Racing', players: 5120, hue: 350,
          art: 'flag', blurb: 'Eight-bit tracks, sixteen racers, no brakes.' },
        { slug: 'tidetactics', title: 'Tide Tactics', genre: 'Strategy', players: 3977, hue: 195,
          art: 'wave', blurb: 'Command a fleet where the tide decides every turn.' },
        { slug: 'orchard', title: 'Lucky Orchard', genre: 'Casual', players: 16775, hue: 95,
          art: 'leaf', blurb: 'Grow, pick and trade the luckiest fruit in the valley.' }
    ];
    var children = [];
    var activeTab = lobby;
    var featured = games[0];
    var muted = false;
    var coins = 1250;

    function byId(id) {
        return document.getElementById(id);
    }

    function on(id, action) {
        byId(id).addEventListener('click', action);
    }

    function gameBySlug(slug) {
        return games.filter(function (game) {
            return game.slug === slug;
        })[0];
    }

    function element(tag, className, text) {
        var created = document.createElement(tag);
        created.className = className || '';
        if (text !== undefined)
            created.textContent = text;
        return created;
    }

    // The size the lobby opened with, kept from the first load of the page in this window.
    // A child grows by as much as its father has grown since the father opened, so a game
    // that asks for this size under the title bar covers the lobby whatever its size now.
    var openingSizeKey = 'corvela.openingSize';

    function openingSize() {
        return JSON.parse(sessionStorage.getItem(openingSizeKey));
    }

    // Windows: tabs, the list in the console and the message targets.

    function refreshChildren(listText) {
        var previous = children;
        children = Bridge.parseWindowList(listText);
        // A game that was listed and is gone has closed; one not listed yet may be opening.
        if (previous.indexOf(activeTab) >= 0 && children.indexOf(activeTab) < 0)
            activeTab = lobby;
        renderTabs();
        renderWindowList();
        renderTargets();
    }

    function renderTabs() {
        var tabs = byId('tabs');
        tabs.innerHTML = '';
        tabs.appendChild(tab(lobby, 'Lobby'));
        children.filter(gameBySlug).forEach(function (slug) {
            tabs.appendChild(tab(slug, gameBySlug(slug).title));
        });
    }

    function tab(name, label) {
        var box = element('div', 'tab' + (name === activeTab ? ' active' : ''));
        var show = element('button', 'tab-label', label);
        show.addEventListener('click', function () {
            switchTo(name);
        });
        box.appendChild(show);
        if (name !== lobby) {
            var close = element('button', 'tab-close', '\u00d7');
            close.title = 'Close ' + label;
            close.addEventListener('click', function () {
                closeWindow(name);
            });
            box.appendChild(close);
        }
        return box;
    }

    function renderWindowList() {
        var list = byId('window-list');
        list.innerHTML = '';
        if (!children.length)
            list.appendChild(element('li', 'muted', 'No child windows open.'));
        children.forEach(function (name) {
            var row = element('li');
            row.appendChild(element('span', 'window-name', name));
            var show = element('button', 'link', 'show');
            show.addEventListener('click', function () {
                switchTo(name);
            });
            var close = element('button', 'link', 'close');
            close.addEventListener('click', function () {
                closeWindow(name);
            });
            row.appendChild(show);
            row.appendChild(close);
            list.appendChild(row);
        });
    }

    // The root windows the lobby opens (front window, patch notes) are not its children: the
    // shell does not list them, so they are offered always.
    function renderTargets() {
        var select = byId('target');
        var chosen = select.value;
        select.innerHTML = '';
        children.concat(['reward', 'news', lobby]).forEach(function (name) {
            var option = element('option', '', name === lobby ? name + ' (this lobby)' : name);
            option.value = name;
            select.appendChild(option);
        });
        if (chosen)
            select.value = chosen;
    }

    // "1" hides the other game windows; switching to the lobby, a root window, hides them all.
    function switchTo(name) {
        activeTab = name;
        renderTabs();
        Bridge.request({ SwitchWindow: name, NeedHide: '1' }, refreshChildren);
    }

    function closeWindow(name) {
        Bridge.request({ Close: name }, refreshChildren);
    }

    function openGame(game) {
        if (children.indexOf(game.slug) >= 0) {
            switchTo(game.slug);
            return;
        }
        var size = openingSize();
        activeTab = game.slug;
        showFeatured(game.slug);
        // One request, two operations: open the game and remember it for the next visit.
        Bridge.request({
            Open: game.slug,
            Father: lobby,
            Url: Bridge.pageUrl('child.html', { name: game.slug, title: game.title, hue: game.hue }),
            RECT: [0, titleBarHeight, size.width, size.height].join(','),
            NeedHide: '1',
            SetConfig: 'lastGame',
            Value: game.slug
        }, refreshChildren);
    }

    // A popup: it closes when another window of the shell takes the focus. Opening a name that
    // exists only loads it again, so the switch shows a popup that was hidden before.
    function openProfile() {
        var width = 300;
        var height = 440;
        var anchor = byId('open-profile').getBoundingClientRect();
        var left = Math.max(0, Math.round(anchor.right - width));
        var top = Math.round(anchor.bottom + 6);
        Bridge.request({
            Open: 'profile',
            Father: lobby,
            Url: Bridge.pageUrl('popup.html', { name: 'profile', title: 'Nova' }),
            RECT: [left, top, left + width, top + height].join(','),
            LostFocusHide: '1',
            SwitchWindow: 'profile'
        }, refreshChildren);
    }

    // A root window in front of the others, centred on the screen.
    function openReward() {
        Bridge.request({
            Open: 'reward',
            Url: Bridge.pageUrl('front.html', { name: 'reward', title: 'Daily reward' }),
            RECT: '0,0,460,360',
            Align: 'Center',
            VAlign: 'VCenter',
            Front: '1'
        });
    }

    // A child in the legacy browser: it has no bridge, so the lobby's window list, which it
    // leaves uncovered as it grows with the lobby, closes it.
    function openLegacy() {
        var size = openingSize();
        Bridge.request({
            Open: 'legacy',
            Father: lobby,
            IE: '1',
            Url: Bridge.pageUrl('legacy.html'),
            RECT: [40, titleBarHeight + 40, size.width - 400, size.height - 40].join(',')
        }, refreshChildren);
    }

    // The shell stops every new window a page asks for and reports its address here instead.
    // Only the portal's own pages get a window of the shell (always the same one: an address
    // never names a window); anything else goes to the player's browser.
    function openPopupTarget(url) {
        if (new URL(url).origin !== location.origin)
            return Bridge.request({ OpenUrl: url });
        Bridge.request({ Open: 'news', Url: url, RECT: '0,0,780,620', Align: 'Center', VAlign: 'VCenter' });
    }

    // Showcase.

    function renderTiles() {
        var tiles = byId('tiles');
        games.forEach(function (game) {
            var tile = element('article', 'tile');
            tile.style.setProperty('--hue', game.hue);
            tile.innerHTML = '<div class="tile-art"><svg><use href="#art-' + game.art + '"/></svg></div>'
                + '<div class="tile-body"><h4></h4><p class="muted"></p><div class="tile-foot">'
                + '<span class="online"><i class="dot"></i></span>'
                + '<button class="button small primary">Play</button></div></div>';
            tile.querySelector('h4').textContent = game.title;
            tile.querySelector('p').textContent = game.genre;
            tile.querySelector('.online').appendChild(
                document.createTextNode(game.players.toLocaleString('en') + ' playing'));
            tile.querySelector('button').addEventListener('click', function () {
                openGame(game);
            });
            tiles.appendChild(tile);
        });
    }

    function showFeatured(lastGame) {
        var game = gameBySlug(lastGame);
        featured = game || games[0];
        byId('hero').style.setProperty('--hue', featured.hue);
        byId('hero-art').setAttribute('href', '#art-' + featured.art);
        byId('hero-eyebrow').textContent = game ? 'Continue where you left off' : 'Featured tonight';
        byId('hero-title').textContent = featured.title;
        byId('hero-blurb').textContent = featured.blurb;
    }

    // Console.

    function showDownload(push) {
        var bar = byId('download-bar');
        var status = byId('download-status');
        if (push.State === 'Succeed') {
            bar.style.width = '100%';
            bar.classList.add('done');
            status.textContent = push.Download + ' saved in the download folder';
        } else {
            bar.classList.remove('done');
            bar.style.width = push.Progress + '%';
            status.textContent = push.Download + ': ' + push.Progress + ' %';
        }
    }

    function showMachineId(text) {
        var parts = String(text).split('|');
        byId('fact-cpu').textContent = parts[0] || '(none)';
        byId('fact-mac').textContent = parts[1] || '(none)';
    }

    function showVersion(version) {
        byId('fact-version').textContent = version;
        byId('version').textContent = version;
    }

    function showAllData(text) {
        var data = JSON.parse(text);
        var pre = byId('all-data');
        pre.textContent = JSON.stringify(data, null, 2);
        pre.hidden = false;
        showVersion(data.Version);
        showMachineId(data.Cpuid + '|' + data.Mac);
    }

    // Actions that end or start programs run on the second click within three seconds.
    function confirmed(id, action) {
        var button = byId(id);
        var label = button.textContent;
        var timer = null;
        button.addEventListener('click', function () {
            if (!timer) {
                button.textContent = 'Click again to confirm';
                button.classList.add('armed');
                timer = setTimeout(function () {
                    timer = null;
                    button.textContent = label;
                    button.classList.remove('armed');
                }, 3000);
                return;
            }
            clearTimeout(timer);
            timer = null;
            button.textContent = label;
            button.classList.remove('armed');
            action();
        });
    }

    // The value is not read: the shell always shows the tray icon and hides every window.
    function hideToTray() {
        Bridge.request({ SetSystemTray: '1' });
    }

    function onPush(push) {
        if (push !== null && typeof push === 'object') {
            if ('OpenChildren' in push)
                return refreshChildren(push.OpenChildren);
            if ('HookPopup' in push)
                return openPopupTarget(push.HookPopup);
            if ('Download' in push)
                return showDownload(push);
            if (typeof push.Coins === 'number') {
                coins += push.Coins;
                byId('coins').textContent = coins.toLocaleString('en');
            }
        }
        Chrome.showMessage(push);
    }

    function wire() {
        on('hero-play', function () {
            openGame(featured);
        });
        on('open-profile', openProfile);
        on('open-reward', openReward);
        var openers = { profile: openProfile, reward: openReward, legacy: openLegacy };
        Array.prototype.forEach.call(document.querySelectorAll('[data-open]'), function (button) {
            button.addEventListener('click', openers[button.dataset.open]);
        });
        on('to-tray', hideToTray);
        on('tray', hideToTray);
        on('quit', function () {
            Bridge.request({ QuitApp: '1' });
        });
        on('refresh-windows', function () {
            Bridge.request({ GetCefClients: lobby }, refreshChildren);
        });
        on('reload', function () {
            Bridge.request({ Reload: lobby });
        });
        on('send-message', function () {
            Bridge.request({ SendMsg: byId('target').value, Msg: { From: lobby, Text: byId('message').value } });
        });
        // The loaded page speaks for the window it is loaded into; the reply goes to that window.
        on('load-news', function () {
            var target = byId('target').value;
            Bridge.request({
                Load: target,
                Url: Bridge.pageUrl('news.html', { name: target, title: 'Patch notes 1.0.2' })
            });
        });
        on('setting-save', function () {
            Bridge.request({ SetConfig: byId('setting-key').value, Value: byId('setting-value').value });
            byId('setting-result').textContent = 'saved';
        });
        on('setting-read', function () {
            Bridge.request({ GetConfig: lobby, Key: byId('setting-key').value }, function (value) {
                byId('setting-result').textContent = value === '' ? '(not set)' : '\u201c' + value + '\u201d';
            });
        });
        on('get-version', function () {
            Bridge.request({ GetVersion: lobby }, showVersion);
        });
        on('get-uuid', function () {
            Bridge.request({ GetUUID: lobby }, showMachineId);
        });
        on('get-all', function () {
            Bridge.request({ GetAllData: lobby }, showAllData);
        });
        on('chime', function () {
            Chrome.playTones([659.25, 783.99, 1046.5], 0.12);
        });
        on('mute', function () {
            muted = !muted;
            Bridge.request({ SetMute: muted ? '1' : '0' });
            byId('mute').textContent = muted ? 'Unmute' : 'Mute';
        });
        on('download', function () {
            byId('download-status').textContent = 'Starting\u2026';
        });
        on('open-url', function () {
            Bridge.request({ OpenUrl: byId('external-url').value });
        });
        confirmed('clear-cache', function () {
            Bridge.request({ ClearCache: '1' });
        });
        confirmed('start-program', function () {
            Bridge.request({ StartProcess: byId('program').value });
        });
        confirmed('install-update', function () {
            Bridge.request({ UpdateApp: byId('update').value });
        });
        // Popups and front windows close without telling the lobby: it asks again when it
        // gets the focus back (once for a burst of focus events).
        var focusTimer = null;
        window.addEventListener('focus', function () {
            clearTimeout(focusTimer);
            focusTimer = setTimeout(function () {
                Bridge.request({ GetCefClients: lobby }, refreshChildren);
            }, 300);
        });
        Bridge.onPush(onPush);
    }

    function start() {
        var firstLoad = !sessionStorage.getItem(openingSizeKey);
        if (firstLoad) {
            sessionStorage.setItem(openingSizeKey,
                                   JSON.stringify({ width: window.innerWidth, height: window.innerHeight }));
        }
        renderTiles();
        renderTargets();
        showFeatured('');
        byId('external-url').value = window.location.origin + '/';
        wire();
        // New windows the page asks for (target=_blank) are reported to this window.
        Bridge.request({ SetHookPopup: lobby });
        Bridge.request({ GetCefClients: lobby }, refreshChildren);
        Bridge.request({ GetVersion: lobby }, showVersion);
        Bridge.request({ GetConfig: lobby, Key: 'lastGame' }, showFeatured);
        // The start window opens small; a lobby wants the whole screen.
        if (firstLoad)
            Chrome.setState('Maximized');
    }

    start();
})();
