// What every portal page shares besides the bridge. Window behaviour is wired by data
// attributes: dragging by the title bar (data-drag), resizing from the corner grip
// (data-resize), the window states (data-toggle-state, data-state), closing (data-close) and
// the title from the page's address (data-title); the windows are frameless, the shell moves
// and sizes them on request. Then toasts for messages from other windows, and short tones.
(function () {
    'use strict';

    var name = Bridge.name;
    // The shell cannot be asked for a window's state; the page remembers what it last asked
    // for, across reloads of the same window.
    var stateKey = 'corvela.windowState';
    var state = sessionStorage.getItem(stateKey) || 'Windowed';

    function each(selector, action) {
        Array.prototype.forEach.call(document.querySelectorAll(selector), action);
    }

    function onControl(target) {
        return target.closest('button, a, input, select, textarea, label');
    }

    function showState() {
        each('[data-toggle-state]', function (button) {
            button.classList.toggle('on', button.dataset.toggleState === state);
        });
    }

    // The state words act on the window that sends them.
    function setState(word) {
        if (word !== 'Minimized') {
            state = word;
            sessionStorage.setItem(stateKey, word);
        }
        Bridge.request({ WindowStatus: word });
        showState();
    }

    function toggleState(word) {
        setState(state === word ? 'Windowed' : word);
    }

    each('[data-drag]', function (bar) {
        bar.addEventListener('mousedown', function (event) {
            if (event.button !== 0 || onControl(event.target))
                return;
            // From here the shell follows the mouse until the button is released.
            Bridge.request({ MouseDown: name });
        });
        bar.addEventListener('dblclick', function (event) {
            if (!onControl(event.target))
                toggleState('Maximized');
        });
    });

    each('[data-resize]', function (grip) {
        grip.addEventListener('mousedown', function (event) {
            if (event.button !== 0)
                return;
            event.preventDefault();
            Bridge.request({ Resize: name, Width: '1', Height: '1' });
        });
    });

    each('[data-toggle-state]', function (button) {
        button.addEventListener('click', function () {
            toggleState(button.dataset.toggleState);
        });
    });

    each('[data-state]', function (button) {
        button.addEventListener('click', function () {
            setState(button.dataset.state);
        });
    });

    each('[data-close]', function (button) {
        button.addEventListener('click', function () {
            Bridge.request({ Close: name });
        });
    });

    function toast(title, text) {
        var shelf = document.querySelector('.toasts');
        if (!shelf) {
            shelf = document.createElement('div');
            shelf.className = 'toasts';
            document.body.appendChild(shelf);
        }
        var box = document.createElement('div');
        box.className = 'toast';
        [['strong', title], ['span', text]].forEach(function (part) {
            var line = document.createElement(part[0]);
            line.textContent = part[1];
            box.appendChild(line);
        });
        shelf.appendChild(box);
        setTimeout(function () {
            box.remove();
        }, 6000);
    }

    // What "SendMsg" delivers is any JSON value; the portal's own messages carry From and Text.
    function showMessage(push) {
        if (push !== null && typeof push === 'object' && 'Text' in push)
            toast(push.From || 'Message', push.Text);
        else
            toast('Message', JSON.stringify(push));
    }

    // Sound goes through the engine, so the shell's mute silences it.
    var audio = null;
    function playTones(frequencies, spacing) {
        var Context = window.AudioContext || window.webkitAudioContext;
        if (!Context)
            return;
        audio = audio || new Context();
        frequencies.forEach(function (frequency, index) {
            var tone = audio.createOscillator();
            var volume = audio.createGain();
            var start = audio.currentTime + index * spacing;
            tone.frequency.value = frequency;
            volume.gain.setValueAtTime(0.2, start);
            volume.gain.exponentialRampToValueAtTime(0.001, start + 0.4);
            tone.connect(volume).connect(audio.destination);
            tone.start(start);
            tone.stop(start + 0.4);
        });
    }

    var title = Bridge.params.get('title');
    if (title) {
        document.title = title + ' \u00b7 Corvela';
        each('[data-title]', function (element) {
            element.textContent = title;
        });
    }

    showState();
    window.Chrome = { setState: setState, toast: toast, showMessage: showMessage, playTones: playTones };
})();
