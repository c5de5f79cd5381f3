// SPDX-License-Identifier: MIT
// The page's side of the window (an Emscripten JavaScript library): the
// canvas's size, presses, the page's visibility and its background go to
// web_window.cpp, its wake-ups come from setTimeout, and the rectangles it
// names are put on the canvas. Every rule of the window lives in the C++ side.
mergeInto(LibraryManager.library, {
  $Page__postset: 'Page.listen();',
  $Page: {
    canvas: null,
    context: null,
    // The context, made at the first frame (until then the canvas shows the
    // page's background; an opaque one is black): desynchronized, frames
    // skip the page's commit and paint; opaque, they are copied, not
    // blended. The frames are opaque, so the pixels are the same, and the
    // page's cost far less (docs/performance.md).
    // The first frame, a picture or only the background where no frame fits
    // in memory, also ends what the page shows while the module loads
    // (#loading, index.html).
    draw: function () {
      if (!Page.context) {
        Page.context = Page.canvas.getContext('2d', {alpha: false, desynchronized: true});
        performance.mark('torvane-first-frame');
        var loading = document.getElementById('loading');
        if (loading) {
          loading.remove();
        }
      }
      return Page.context;
    },
    // The last wake-up's setTimeout handle (clearing one that has run does
    // nothing).
    timeout: 0,

    // Reports the canvas: its size in CSS pixels, in device pixels as the
    // browser lays it out, the ratio, and the background, ButtonFace of the
    // user's colour scheme as the page computes it, 0xRRGGBB. The module
    // compares, so this reports whenever any of them may have changed.
    measure: function (entries) {
      var c = Page.canvas;
      var ratio = window.devicePixelRatio || 1;
      var css = c.getBoundingClientRect();
      var width = Math.round(css.width * ratio);
      var height = Math.round(css.height * ratio);
      // The device-pixel box the last observer's entry carried (none in
      // WebKit) shows unscaled, where it is the CSS size times the ratio but
      // for rounding. Chromium 156 under an emulated scale factor (DevTools'
      // device mode, Emulation.setDeviceMetricsOverride) gives it in CSS
      // pixels while the ratio is 2 or 3: the CSS size times the ratio
      // stands, as on a real screen of that ratio.
      Page.box = entries ? entries[0].devicePixelContentBoxSize : Page.box;
      var box = Page.box && Page.box[0];
      if (box && Math.abs(box.inlineSize - width) <= 1 && Math.abs(box.blockSize - height) <= 1) {
        width = box.inlineSize;
        height = box.blockSize;
      }
      var rgb = getComputedStyle(document.body).backgroundColor.match(/[\d.]+/g);
      _torvane_client(c.clientWidth, c.clientHeight, width, height, ratio,
                      (rgb[0] << 16) | (rgb[1] << 8) | rgb[2]);
    },

    // Follows the canvas's size and the screen's density. A zoom changes
    // the CSS size and the ratio but may leave the device-pixel box as it
    // was; a move to another screen changes the ratio and that box but not
    // the CSS size: the page watches all three (WebKit has no such box).
    observe: function () {
      ['content-box', 'device-pixel-content-box'].forEach(function (box) {
        try {
          new ResizeObserver(Page.measure).observe(Page.canvas, {box: box});
        } catch (e) {}
      });
      var watchRatio = function () {
        matchMedia('(resolution: ' + window.devicePixelRatio + 'dppx)').addEventListener(
          'change', function () { Page.measure(); watchRatio(); }, {once: true});
      };
      watchRatio();
    },

    // The buttons each pointer holds, as its last event's `buttons` mask,
    // by pointerId.
    held: {},
    // Presses that came before the module ran: [button, shift, x, y] each;
    // null once it runs.
    early: [],

    // Every button that goes down on the canvas adds one ball at the
    // pointer, fractions of a pixel kept: a pointerdown's button, and every
    // button a pointermove adds to the mask (a second button pressed while
    // one is held is reported that way), a pen's barrel button as the
    // right. Buttons pressed before the pointer came over the canvas are not
    // presses here. Cancelling the pointerdown keeps the browser from
    // sending the mouse events it would emulate for a touch.
    buttons: function (event) {
      var id = event.pointerId;
      var was = Page.held[id];
      Page.held[id] = event.buttons;
      if (event.type === 'pointerenter') {
        return;
      }
      var added = was === undefined ? 0 : event.buttons & ~was;
      if (event.type === 'pointerdown') {
        event.preventDefault();
        // A touch's pointer comes over the canvas already down.
        if (!added) {
          added = 1 << [0, 2, 1, 3, 4, 5][event.button];
        }
      }
      for (var bit = 1; added >= bit; bit <<= 1) {
        if (added & bit) {
          // Form1's PressButton values: left 1, right (and a pen's barrel)
          // 2, middle 4, others 8.
          Page.press(bit <= 4 ? bit : 8, event);
        }
      }
    },

    press: function (button, event) {
      var shift = (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
      var box = Page.canvas.getBoundingClientRect();
      var press = [button, shift, event.clientX - box.left, event.clientY - box.top];
      Page.early ? Page.early.push(press) : _torvane_press.apply(null, press);
    },

    // From the moment the script runs, before the module has been fetched:
    // presses made meanwhile are kept for the form.
    listen: function () {
      var c = document.getElementById('window');
      Page.canvas = c;
      ['pointerenter', 'pointerdown', 'pointermove', 'pointerup'].forEach(function (type) {
        c.addEventListener(type, Page.buttons);
      });
      ['pointerleave', 'pointercancel'].forEach(function (type) {
        c.addEventListener(type, function (event) { delete Page.held[event.pointerId]; });
      });
      // The back and forward buttons add their ball and leave the page
      // where it is: the browser goes back or forward on their release,
      // which it reports as a pointerup or, with another button held, as a
      // mouseup.
      ['pointerdown', 'pointerup', 'mousedown', 'mouseup'].forEach(function (type) {
        c.addEventListener(type, function (event) {
          if (event.button === 3 || event.button === 4) {
            event.preventDefault();
          }
        });
      });
      // A right press opens no menu; it added its ball on pointerdown.
      c.addEventListener('contextmenu', function (event) { event.preventDefault(); });
    },
  },

  page_attach__deps: ['$Page'],
  page_attach: function (caption) {
    document.title = UTF8ToString(caption);
    var c = Page.canvas;
    c.addEventListener('contextrestored', function () { _torvane_expose(); });
    document.addEventListener('visibilitychange', function () {
      _torvane_visible(document.visibilityState === 'visible' ? 1 : 0);
    });
    _torvane_visible(document.visibilityState === 'visible' ? 1 : 0);
    Page.measure();
    Page.observe();
    // A change of colour scheme changes ButtonFace.
    matchMedia('(prefers-color-scheme: dark)').addEventListener('change', function () { Page.measure(); });
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('sw.js').catch(function (error) {
        console.error('the page will not open offline: ' + error);
      });
    }
  },

  // The form is loaded: the presses made before are its first.
  page_loaded__deps: ['$Page'],
  page_loaded: function () {
    Page.early.forEach(function (press) { _torvane_press.apply(null, press); });
    Page.early = null;
  },

  page_wake_in__deps: ['$Page'],
  page_wake_in: function (milliseconds) {
    clearTimeout(Page.timeout);
    Page.timeout = setTimeout(_torvane_wake, milliseconds);
  },

  page_cancel_wake__deps: ['$Page'],
  page_cancel_wake: function () {
    clearTimeout(Page.timeout);
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
    var g = Page.draw();
    for (var k = 0; k < count * 4; k += 4) {
      g.putImageData(image, 0, 0, r[k], r[k + 1], r[k + 2] - r[k], r[k + 3] - r[k + 1]);
    }
  },

  // No frame to show (none fits in memory): the background, the canvas one
  // pixel stretched over the client area.
  page_clear__deps: ['$Page'],
  page_clear: function (rgb) {
    var c = Page.canvas;
    c.width = 1;
    c.height = 1;
    var g = Page.draw();
    g.fillStyle = '#' + (rgb | 0x1000000).toString(16).slice(1);
    g.fillRect(0, 0, 1, 1);
  },

  page_label__deps: ['$Page'],
  page_label: function (balls) {
    Page.canvas.setAttribute('aria-label', 'A pile of balls; ' +
      (balls === 1 ? '1 ball' : balls + ' balls') + ' dropped in. Press to drop another.');
  },
});
