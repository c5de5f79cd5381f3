// SPDX-License-Identifier: MIT
// The page's side of the window (an Emscripten JavaScript library): the
// canvas's size, presses and the page's visibility go to web_window.cpp,
// its wake-ups come from setTimeout, and the rectangles it names are put on
// the canvas. Every rule of the window lives in the C++ side.
mergeInto(LibraryManager.library, {
  $Page: {
    canvas: null,
    context: null,
    // The pending wake-up's setTimeout handle, 0 when none is.
    timeout: 0,
    firstFrame: true,

    // Reports the canvas: its size in CSS pixels, in device pixels as the
    // browser lays it out, and the ratio. The observer's entry carries the
    // device-pixel box where the browser has one; elsewhere the CSS size
    // times the ratio, rounded, stands in. The module compares.
    measure: function (entries) {
      var c = Page.canvas;
      var ratio = window.devicePixelRatio || 1;
      var box = entries && entries[0].devicePixelContentBoxSize;
      var width = box ? box[0].inlineSize : Math.round(c.clientWidth * ratio);
      var height = box ? box[0].blockSize : Math.round(c.clientHeight * ratio);
      _torvane_client(c.clientWidth, c.clientHeight, width, height, ratio);
    },

    // Follows the canvas's size and the screen's density: a browser with
    // device-pixel-content-box reports zooming and moving to another screen
    // through the observer; others through a media query on the ratio.
    observe: function () {
      var observer = new ResizeObserver(Page.measure);
      try {
        observer.observe(Page.canvas, {box: 'device-pixel-content-box'});
        return;
      } catch (e) {
        observer.observe(Page.canvas);
      }
      var watchRatio = function () {
        matchMedia('(resolution: ' + window.devicePixelRatio + 'dppx)').addEventListener(
          'change', function () { Page.measure(); watchRatio(); }, {once: true});
      };
      watchRatio();
    },

    // Every press on the canvas, of any button, finger or pen, adds one
    // ball at its point, fractions of a pixel kept. Cancelling it keeps the
    // browser from sending the mouse events it would emulate for a touch.
    press: function (event) {
      event.preventDefault();
      var b = event.button;
      // Form1's PressButton values: left 1, right 2, middle 4, others 8.
      var button = b === 0 ? 1 : b === 2 ? 2 : b === 1 ? 4 : 8;
      var shift = (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
      var box = Page.canvas.getBoundingClientRect();
      _torvane_press(button, shift, event.clientX - box.left, event.clientY - box.top);
    },

    wake: function () {
      Page.timeout = 0;
      _torvane_wake();
    },
  },

  page_attach__deps: ['$Page'],
  page_attach: function (caption) {
    document.title = UTF8ToString(caption);
    var c = document.getElementById('window');
    Page.canvas = c;
    Page.context = c.getContext('2d');
    c.addEventListener('pointerdown', Page.press);
    // A right press opens no menu; it added its ball on pointerdown.
    c.addEventListener('contextmenu', function (event) { event.preventDefault(); });
    c.addEventListener('contextrestored', function () { _torvane_expose(); });
    document.addEventListener('visibilitychange', function () {
      _torvane_visible(document.visibilityState === 'visible' ? 1 : 0);
    });
    _torvane_visible(document.visibilityState === 'visible' ? 1 : 0);
    Page.measure();
    Page.observe();
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('sw.js').catch(function (error) {
        console.error('the page will not open offline: ' + error);
      });
    }
  },

  page_wake_in__deps: ['$Page'],
  page_wake_in: function (milliseconds) {
    clearTimeout(Page.timeout);
    Page.timeout = setTimeout(Page.wake, milliseconds);
  },

  page_cancel_wake__deps: ['$Page'],
  page_cancel_wake: function () {
    clearTimeout(Page.timeout);
    Page.timeout = 0;
  },

  // Puts the rectangles (left, top, right, bottom: four int32 each) of the
  // RGBA frame on the canvas. The views over the module's memory are made
  // here, every time, because a growth of memory replaces its buffer.
  page_present__deps: ['$Page'],
  page_present: function (rgba, width, height, rects, count) {
    var c = Page.canvas;
    if (c.width !== width || c.height !== height) {
      c.width = width;
      c.height = height;
    }
    var buffer = wasmMemory.buffer;
    var image = new ImageData(new Uint8ClampedArray(buffer, rgba, width * height * 4), width, height);
    var r = new Int32Array(buffer, rects, count * 4);
    for (var k = 0; k < count * 4; k += 4) {
      Page.context.putImageData(image, 0, 0, r[k], r[k + 1], r[k + 2] - r[k], r[k + 3] - r[k + 1]);
    }
    if (Page.firstFrame) {
      Page.firstFrame = false;
      performance.mark('torvane-first-frame');
    }
  },

  // No frame to show (none fits in memory): the background, the canvas one
  // pixel stretched over the client area.
  page_clear__deps: ['$Page'],
  page_clear: function (rgb) {
    var c = Page.canvas;
    c.width = 1;
    c.height = 1;
    Page.context.fillStyle = '#' + (rgb | 0x1000000).toString(16).slice(1);
    Page.context.fillRect(0, 0, 1, 1);
  },

  page_label__deps: ['$Page'],
  page_label: function (balls) {
    Page.canvas.setAttribute('aria-label', 'A pile of balls; ' +
      (balls === 1 ? '1 ball' : balls + ' balls') + ' dropped in. Press to drop another.');
  },
});
