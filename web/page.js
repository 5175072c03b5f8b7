// The page around the game: the canvas's size, the texts laid over it, the
// menu, the browser's keys, pointer and touches turned into the game's own
// calls, and the book, fetched once the first frame is drawn.
'use strict';

var Module = (function () {
  const canvas = document.getElementById('canvas');
  const stage = document.getElementById('stage');
  const texts = document.getElementById('texts');
  const menu = document.getElementById('menu');
  const live = { 1: document.getElementById('turn'), 2: document.getElementById('over') };
  let running = false;
  let ended = false;

  // The square stage: as large as the window allows below the header.
  function layout() {
    const header = document.querySelector('header').offsetHeight;
    const side = Math.max(1, Math.floor(Math.min(window.innerWidth, window.innerHeight - header)));
    const ratio = window.devicePixelRatio || 1;
    stage.style.width = stage.style.height = side + 'px';
    canvas.style.width = canvas.style.height = side + 'px';
    canvas.width = canvas.height = Math.max(1, Math.round(side * ratio));
    if (running) Module._webResize(canvas.width);
  }
  layout();
  window.addEventListener('resize', () => {
    layout();
    showTexts(lastTexts);
  });

  // A text of the frame, its baseline from the bottom-left pixel given.
  function place(element, text) {
    const side = canvas.width;
    element.style.left = (100 * text.x / side) + '%';
    element.style.top = (100 * (1 - text.y / side)) + '%';
    element.style.fontSize = (text.size * stage.clientWidth / side) + 'px';
    element.style.color = text.colour;
  }

  // Taller than wide, with room below the board, the strip's texts go there,
  // in lines of their own, top to bottom, as large as the reader's font asks.
  const strip = document.getElementById('strip');
  let lastTexts = '[]';

  function stripLines(list) {
    const lines = list.filter((text) => text.kind !== 4 && text.text !== '')
      .sort((a, b) => b.y - a.y || a.x - b.x);
    strip.replaceChildren(...lines.map((text) => {
      const line = document.createElement('div');
      line.className = 'line';
      line.style.color = text.colour;
      line.textContent = text.text;
      return line;
    }));
  }

  function showTexts(json) {
    lastTexts = json;
    const list = JSON.parse(json);
    texts.replaceChildren();
    const seen = {};
    // Upright: room below the square board for the strip's lines.
    const below = window.innerHeight - document.querySelector('header').offsetHeight -
      stage.offsetHeight;
    const portrait = below > stage.offsetHeight / 4;
    stripLines(portrait ? list : []);
    for (const text of list) {
      if (portrait && text.kind !== 4) continue;
      let element = live[text.kind];
      if (element) {
        seen[text.kind] = true;
        if (element.textContent !== text.text) element.textContent = text.text;
      } else {
        element = document.createElement('span');
        element.className = text.kind === 4 ? 'text label' : 'text';
        if (text.kind === 3) {
          // The moves as a link to this game, to share.
          const link = document.createElement('a');
          link.href = '?moves=' + text.text.replace(/^Moves: /, '');
          link.textContent = text.text;
          element.appendChild(link);
        } else {
          element.textContent = text.text;
        }
        texts.appendChild(element);
      }
      place(element, text);
    }
    for (const kind in live)
      if (!seen[kind]) live[kind].textContent = '';
  }

  /* The menu: the game's own table, labelled as the choices in force make it. */

  function entries(menus, index, list) {
    for (const entry of menus[index]) {
      const item = document.createElement('li');
      item.setAttribute('role', 'none');
      const button = document.createElement('button');
      button.textContent = entry.label;
      button.setAttribute('role', 'menuitem');
      button.tabIndex = -1;
      item.appendChild(button);
      if (entry.submenu >= 0) {
        const sub = document.createElement('ul');
        sub.setAttribute('role', 'menu');
        sub.setAttribute('aria-label', entry.label.trim());
        sub.hidden = true;
        entries(menus, entry.submenu, sub);
        item.appendChild(sub);
        button.setAttribute('aria-haspopup', 'menu');
        button.setAttribute('aria-expanded', 'false');
        button.addEventListener('click', () => {
          sub.hidden = !sub.hidden;
          button.setAttribute('aria-expanded', String(!sub.hidden));
          if (!sub.hidden) sub.querySelector('button').focus();
        });
      } else {
        button.addEventListener('click', () => {
          closeMenu();
          Module._webChoose(index, entry.value);
        });
      }
      list.appendChild(item);
    }
  }

  // Where the focus goes back to when the menu closes.
  let opener = null;

  function openMenu(x, y) {
    if (!running || ended) return;
    opener = document.activeElement;
    const menus = JSON.parse(Module.UTF8ToString(Module._webMenus()));
    const list = document.createElement('ul');
    list.setAttribute('role', 'menu');
    list.setAttribute('aria-label', 'Menu');
    entries(menus, 0, list);
    menu.replaceChildren(list);
    menu.hidden = false;
    menu.style.left = Math.max(0, Math.min(x, window.innerWidth - menu.offsetWidth - 4)) + 'px';
    menu.style.top = Math.max(0, Math.min(y, window.innerHeight - menu.offsetHeight - 4)) + 'px';
    menu.querySelector('button').focus();
  }

  function closeMenu() {
    const had = menu.contains(document.activeElement);
    menu.hidden = true;
    menu.replaceChildren();
    document.getElementById('menu-button').setAttribute('aria-expanded', 'false');
    if (had && opener && opener.isConnected) opener.focus();
  }

  // The menu by keys, as menus go: up and down through a list, right or
  // Enter into a submenu, left or Escape out of it, Escape out of the menu.
  menu.addEventListener('keydown', (event) => {
    const button = event.target;
    if (!(button instanceof HTMLButtonElement)) return;
    const list = button.closest('ul');
    const items = [...list.children].map((item) => item.firstElementChild);
    const at = items.indexOf(button);
    const sub = button.nextElementSibling;
    const parent = list.parentElement.closest('li');
    let handled = true;
    if (event.key === 'ArrowDown') items[(at + 1) % items.length].focus();
    else if (event.key === 'ArrowUp') items[(at + items.length - 1) % items.length].focus();
    else if (event.key === 'Home') items[0].focus();
    else if (event.key === 'End') items[items.length - 1].focus();
    else if (event.key === 'ArrowRight' && sub && sub.hidden) button.click();
    else if ((event.key === 'ArrowLeft' || event.key === 'Escape') && parent) {
      parent.lastElementChild.hidden = true;
      parent.firstElementChild.setAttribute('aria-expanded', 'false');
      parent.firstElementChild.focus();
    } else if (event.key === 'Escape' || event.key === 'Tab') closeMenu();
    else handled = false;
    if (handled) {
      event.preventDefault();
      event.stopPropagation();
    }
  });

  canvas.addEventListener('contextmenu', (event) => {
    event.preventDefault();
    openMenu(event.clientX, event.clientY);
  });
  function openMenuFromButton() {
    const button = document.getElementById('menu-button');
    const box = button.getBoundingClientRect();
    openMenu(box.left, box.bottom + 2);
    button.setAttribute('aria-expanded', 'true');
  }
  document.getElementById('menu-button').addEventListener('click', () => {
    if (menu.hidden) openMenuFromButton();
    else closeMenu();
  });
  document.addEventListener('pointerdown', (event) => {
    if (!menu.hidden && !menu.contains(event.target) &&
        event.target.id !== 'menu-button') closeMenu();
  });

  /* Keys as the desktop's toolkit gives them: characters, and the arrows,
     Home and End apart. */

  const special = { ArrowLeft: 100, ArrowUp: 101, ArrowRight: 102, ArrowDown: 103,
    Home: 106, End: 107 };
  window.addEventListener('keydown', (event) => {
    if (!running || ended) return;
    if (!menu.hidden) {
      if (event.key === 'Escape') closeMenu();
      return;
    }
    if (event.key === 'ContextMenu' || (event.key === 'F10' && event.shiftKey)) {
      event.preventDefault();
      openMenuFromButton();
      return;
    }
    let key = null;
    if (event.ctrlKey && !event.altKey && !event.metaKey) {
      const letter = event.key.toLowerCase();
      if (letter === 'z') key = 26;
      else if (letter === 'y') key = 25;
    } else if (!event.ctrlKey && !event.altKey && !event.metaKey) {
      if (event.key === 'Escape') key = 27;
      else if (event.key === 'Backspace') key = 8;
      else if (event.key === 'Enter' && !(event.target instanceof HTMLButtonElement)) key = 13;
      else if (event.key.length === 1 && event.key.charCodeAt(0) < 128)
        key = event.key.charCodeAt(0);
    }
    if (key !== null) {
      if (key === 32 && event.target instanceof HTMLButtonElement) return;
      event.preventDefault();
      Module._webKey(key);
    } else if (special[event.key] !== undefined) {
      event.preventDefault();
      Module._webSpecialKey(special[event.key]);
    }
  });

  /* The pointer, a mouse's or a finger's: a tap is a click, a drag with one
     finger a drag; in canvas pixels from the top left. */

  function at(event) {
    const box = canvas.getBoundingClientRect();
    return [Math.round((event.clientX - box.left) * canvas.width / Math.max(1, box.width)),
      Math.round((event.clientY - box.top) * canvas.height / Math.max(1, box.height))];
  }
  let pressed = null;
  canvas.addEventListener('pointerdown', (event) => {
    if (!running || ended || !event.isPrimary || event.button > 1 || pressed !== null) return;
    pressed = event.pointerId;
    canvas.setPointerCapture(event.pointerId);
    const [x, y] = at(event);
    Module._webMouse(event.button, 0, x, y);
  });
  canvas.addEventListener('pointermove', (event) => {
    if (event.pointerId !== pressed) return;
    const [x, y] = at(event);
    Module._webMotion(x, y);
  });
  function release(event) {
    if (event.pointerId !== pressed) return;
    pressed = null;
    const [x, y] = at(event);
    Module._webMouse(event.button < 0 ? 0 : event.button, 1, x, y);
  }
  canvas.addEventListener('pointerup', release);
  canvas.addEventListener('pointercancel', (event) => {
    if (event.pointerId === pressed) pressed = null;
  });

  /* The board in words: a button a column, named for what it holds; the
     first press marks the column, the second drops the ball, as clicks do.
     Arrow keys move between them as on the keypad. */

  const columns = document.getElementById('columns');
  const columnButtons = [...columns.querySelectorAll('button')];
  for (const button of columnButtons)
    button.addEventListener('click', () => {
      if (running && !ended) Module._webColumn(Number(button.dataset.column));
    });
  columns.addEventListener('keydown', (event) => {
    const steps = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -3, ArrowDown: 3 };
    if (!(event.key in steps) || event.altKey || event.ctrlKey || event.metaKey) return;
    const at = columnButtons.indexOf(document.activeElement);
    const to = at + steps[event.key];
    if (at >= 0 && to >= 0 && to < 9 && (steps[event.key] % 3 === 0 || Math.floor(to / 3) ===
        Math.floor(at / 3))) columnButtons[to].focus();
    event.preventDefault();
    event.stopPropagation();
  });

  function showColumns(json) {
    const board = JSON.parse(json);
    columns.classList.toggle('always', board.always === 1);
    for (const button of columnButtons) {
      const name = board.names[Number(button.dataset.column)];
      if (button.textContent !== name) button.textContent = name;
    }
  }

  // One live region says what happens; the browser's voice too when asked.
  const said = document.getElementById('said');
  function say(sentence, aloud) {
    const line = document.createElement('p');
    line.textContent = sentence;
    said.appendChild(line);
    while (said.childElementCount > 30) said.firstElementChild.remove();
    if (aloud && window.speechSynthesis)
      window.speechSynthesis.speak(new SpeechSynthesisUtterance(sentence));
  }

  /* The game's sounds through Web Audio: fetched after the first frame,
     played once the first key, click or tap has let the page sound. */

  const soundNames = ['land1', 'land2', 'land3', 'full', 'row', 'win', 'loss', 'end'];
  const soundFiles = {};
  const sounds = {};
  let audio = null;

  function decodeSounds() {
    if (audio === null) return;
    for (const name in soundFiles) {
      const bytes = soundFiles[name];
      delete soundFiles[name];
      audio.decodeAudioData(bytes).then((buffer) => { sounds[name] = buffer; }, () => {});
    }
  }

  async function loadSounds() {
    for (const name of soundNames) {
      try {
        const response = await fetch('sounds/' + name + '.wav');
        if (response.ok) soundFiles[name] = await response.arrayBuffer();
      } catch (error) {
        // Silence for a sound that cannot be had.
      }
    }
    decodeSounds();
  }

  function allowSound() {
    if (audio !== null || typeof AudioContext === 'undefined') return;
    audio = new AudioContext();
    decodeSounds();
  }
  window.addEventListener('keydown', allowSound, true);
  window.addEventListener('pointerdown', allowSound, true);

  function playSound(name) {
    if (audio === null || !sounds[name]) return;
    const source = audio.createBufferSource();
    source.buffer = sounds[name];
    source.connect(audio.destination);
    source.start();
  }

  /* The book: after the first frame, compressed; the browser unpacks it. */

  // A slice a task, so that the page answers while the book unpacks.
  async function inflate(packed) {
    const stream = new DecompressionStream('gzip');
    const unpacked = new Response(stream.readable).arrayBuffer();
    unpacked.catch(() => {});
    const writer = stream.writable.getWriter();
    for (let at = 0; at < packed.length; at += 65536) {
      await writer.write(packed.subarray(at, at + 65536));
      await new Promise((resolve) => setTimeout(resolve, 0));
    }
    await writer.close();
    return new Uint8Array(await unpacked);
  }

  async function loadBook() {
    let why;
    try {
      const response = await fetch('book.bin.gz');
      if (!response.ok) throw new Error('was not found');
      let bytes = new Uint8Array(await response.arrayBuffer());
      // A server may have unpacked it already on the way.
      if (bytes.length >= 2 && bytes[0] === 0x1f && bytes[1] === 0x8b) {
        why = 'is damaged';
        bytes = await inflate(bytes);
      }
      if (bytes.length !== Module._webBookSize()) throw new Error('is incomplete');
      const copy = Module._malloc(bytes.length);
      Module.HEAPU8.set(bytes, copy);
      Module._webBook(copy, bytes.length);
      performance.mark('kaveto-book');
    } catch (error) {
      why = why || error.message || 'could not be loaded';
      if (!/^(was|is) /.test(why)) why = 'could not be loaded';
      Module.ccall('webBookMissing', null, ['string'], [why]);
    }
  }

  return {
    canvas: canvas,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onRuntimeInitialized: () => {
      running = true;
      Module._webResize(canvas.width);
    },
    page: {
      texts: showTexts,
      columns: showColumns,
      say: say,
      sound: playSound,
      firstFrame: () => {
        performance.mark('kaveto-first-frame');
        setTimeout(loadBook, 0);
        setTimeout(loadSounds, 0);
      },
      quit: () => {
        ended = true;
        closeMenu();
        stage.hidden = true;
        document.querySelector('header').hidden = true;
        document.getElementById('ended').hidden = false;
        document.getElementById('again').focus();
      },
      // A game hosted on the page's server: its link, to hand on.
      share: (link) => {
        const anchor = document.getElementById('share-link');
        anchor.href = anchor.textContent = link;
        document.getElementById('share').hidden = false;
      },
      withoutWebGL: () => {
        stage.hidden = true;
        document.querySelector('header').hidden = true;
        document.getElementById('without-webgl').hidden = false;
      },
    },
  };
})();

document.getElementById('again').addEventListener('click', () => {
  window.location.href = window.location.pathname;
});

document.getElementById('copy').addEventListener('click', (event) => {
  const link = document.getElementById('share-link').href;
  const button = event.currentTarget;
  navigator.clipboard.writeText(link).then(() => { button.textContent = 'Copied'; },
    () => { window.getSelection().selectAllChildren(document.getElementById('share-link')); });
});
