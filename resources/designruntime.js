// Page-side runtime of the design view. It runs in an isolated script world from document creation; the
// page's own script never runs. It only reads snapshots and applies batches of changes for the C++ side,
// keeps the undo units of the document body, reports events and draws resize handles. Every decision about
// the document is made in C++.
(function () {
  'use strict';
  if (window.__designRuntime)
    return;

  // ---- element tokens ------------------------------------------------------------------------------
  const tokenOfElement = new WeakMap();
  const elementOfToken = new Map();
  let nextToken = 1;

  function tokenOf(node) {
    if (!node)
      return 0;
    if (node.nodeType !== Node.ELEMENT_NODE)
      node = node.parentElement;
    if (!node)
      return 0;
    let token = tokenOfElement.get(node);
    if (!token) {
      token = nextToken++;
      tokenOfElement.set(node, token);
      elementOfToken.set(token, node);
    }
    return token;
  }

  function elementOf(token) {
    const element = elementOfToken.get(token);
    if (!element)
      throw new Error('stale element');
    return element;
  }

  // A placeholder (the picture that stands for a comment, a script, a tag the editor does not know, ...)
  // is an empty span on the page, which the engine's editing commands pass over far more cheaply than an
  // img; to the host it is the picture it stands for.
  function isPlaceholder(node) {
    return node.nodeType === Node.ELEMENT_NODE && node.tagName === 'SPAN' && node.id.startsWith('dsgn_:::_');
  }

  function tagOf(element) {
    return isPlaceholder(element) ? 'IMG' : element.tagName;
  }

  function describe(node) {
    const token = tokenOf(node);
    if (!token)
      return null;
    const element = elementOfToken.get(token);
    return { token: token, tag: tagOf(element), id: element.id };
  }

  // ---- undo units ----------------------------------------------------------------------------------
  // Every batch of DOM changes to the body becomes one unit; a unit is undone by inverting its records.
  const undoUnits = [];
  const redoUnits = [];
  let observer = null;

  function copyRecords(records) {
    return records.map(function (r) {
      return {
        type: r.type, target: r.target, name: r.attributeName, oldValue: r.oldValue, newValue: null,
        added: Array.from(r.addedNodes), removed: Array.from(r.removedNodes), next: r.nextSibling
      };
    });
  }

  function pushUnit(records) {
    const relevant = records.filter(function (r) { return !isOverlay(r.target); });
    if (!relevant.length)
      return false;
    undoUnits.push(copyRecords(relevant));
    redoUnits.length = 0;
    ++documentVersion;
    followSizing();
    return true;
  }

  // Changes not yet delivered to the observer callback belong to whoever made them before us.
  function flushPending() {
    if (observer)
      pushUnit(observer.takeRecords());
  }

  function discardPending() {
    if (observer)
      observer.takeRecords();
  }

  function revertUnit(unit) {
    for (let i = unit.length - 1; i >= 0; --i) {
      const r = unit[i];
      if (r.type === 'attributes') {
        r.newValue = r.target.getAttribute(r.name);
        if (r.oldValue === null)
          r.target.removeAttribute(r.name);
        else
          r.target.setAttribute(r.name, r.oldValue);
      } else if (r.type === 'characterData') {
        r.newValue = r.target.data;
        r.target.data = r.oldValue;
      } else {
        for (const n of r.added)
          if (n.parentNode === r.target)
            r.target.removeChild(n);
        for (const n of r.removed)
          r.target.insertBefore(n, r.next && r.next.parentNode === r.target ? r.next : null);
      }
    }
    // An attribute taken away and put back lands last; put the attributes back in their first order.
    for (const entry of unit.orders || [])
      restoreAttributeOrder(entry[0], entry[1]);
    discardPending();
    placeCaretAfter(unit[0]);
  }

  function restoreAttributeOrder(element, names) {
    const current = Array.from(element.attributes).map(function (a) { return a.name; });
    if (current.join(' ') === names.join(' '))
      return;
    const values = {};
    for (const name of current) {
      values[name] = element.getAttribute(name);
      element.removeAttribute(name);
    }
    for (const name of names.concat(current))
      if (name in values && !element.hasAttribute(name))
        element.setAttribute(name, values[name]);
  }

  function replayUnit(unit) {
    for (const r of unit) {
      if (r.type === 'attributes') {
        if (r.newValue === null)
          r.target.removeAttribute(r.name);
        else
          r.target.setAttribute(r.name, r.newValue);
      } else if (r.type === 'characterData') {
        r.target.data = r.newValue;
      } else {
        for (const n of r.removed)
          if (n.parentNode === r.target)
            r.target.removeChild(n);
        for (const n of r.added)
          r.target.insertBefore(n, r.next && r.next.parentNode === r.target ? r.next : null);
      }
    }
    discardPending();
    placeCaretAfter(unit[unit.length - 1]);
  }

  function placeCaretAfter(record) {
    try {
      const node = record.target;
      if (!node || !node.isConnected || !document.body.contains(node))
        return;
      const range = document.createRange();
      range.selectNodeContents(node);
      range.collapse(false);
      const selection = document.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
    } catch (e) {
      // the caret is a courtesy only
    }
  }

  function undo(count) {
    flushPending();
    ++documentVersion;
    let done = 0;
    while (done < count && undoUnits.length) {
      const unit = undoUnits.pop();
      revertUnit(unit);
      redoUnits.push(unit);
      ++done;
    }
    followSizing();
    return done;
  }

  function redo(count) {
    flushPending();
    ++documentVersion;
    let done = 0;
    while (done < count && redoUnits.length) {
      const unit = redoUnits.pop();
      replayUnit(unit);
      undoUnits.push(unit);
      ++done;
    }
    followSizing();
    return done;
  }

  // ---- state snapshot ------------------------------------------------------------------------------
  const commandNames = ['copy', 'cut', 'paste', 'bold', 'italic', 'underline', 'justifyLeft', 'justifyCenter',
    'justifyRight', 'insertOrderedList', 'insertUnorderedList', 'indent', 'outdent', 'backColor', 'foreColor',
    'fontName', 'fontSize', 'formatBlock', 'createLink', 'unlink'];
  let stateSerial = 0;

  function isText(node) {
    return node.nodeType === Node.TEXT_NODE || node.nodeType === Node.CDATA_SECTION_NODE;
  }

  // Whether the range holds any text; stops at the first text it finds, so a selection of the whole of a
  // large page costs no more than a small one. The walk starts where the range starts, not at the start of
  // the container they share: after an alignment or a list that container is the body, and a walk from its
  // start to a paragraph half way down a large page took longer than the command itself.
  function rangeHasText(range) {
    const root = range.commonAncestorContainer;
    if (isText(root))
      return range.endOffset > range.startOffset;
    const walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
    const start = range.startContainer;
    let node = isText(start) ? start : start.childNodes[range.startOffset] || null;
    if (node) {
      walker.currentNode = node;
    } else {
      // The range starts after the last child of its container: the text after that container's subtree.
      let last = start;
      while (last.lastChild)
        last = last.lastChild;
      walker.currentNode = last;
    }
    if (!node || !isText(node))
      node = walker.nextNode();
    for (; node; node = walker.nextNode()) {
      if (range.comparePoint(node, 0) > 0)
        break; // past the end of the range
      const from = node === range.startContainer ? range.startOffset : 0;
      const to = node === range.endContainer ? range.endOffset : node.data.length;
      if (to > from)
        return true;
    }
    return false;
  }

  // Whether the stretch between two boundary points shows anything: text other than blanks, or a picture,
  // a field or a rule inside it. The walk stops at the first such thing, so a long stretch of text costs
  // no more than a short one.
  const shownWithoutText = ['IMG', 'INPUT', 'SELECT', 'TEXTAREA', 'BUTTON', 'HR', 'OBJECT', 'EMBED', 'APPLET',
    'IFRAME'];
  function stretchShows(a, b) {
    const gap = document.createRange();
    if (a.compareBoundaryPoints(Range.START_TO_START, b) <= 0) {
      gap.setStart(a.startContainer, a.startOffset);
      gap.setEnd(b.startContainer, b.startOffset);
    } else {
      gap.setStart(b.startContainer, b.startOffset);
      gap.setEnd(a.startContainer, a.startOffset);
    }
    if (gap.collapsed)
      return false;
    const walker = document.createTreeWalker(gap.commonAncestorContainer, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT);
    let node = gap.startContainer;
    if (node.nodeType === Node.ELEMENT_NODE && node.childNodes[gap.startOffset])
      node = node.childNodes[gap.startOffset];
    walker.currentNode = node;
    for (; node; node = walker.nextNode()) {
      if (gap.comparePoint(node, 0) > 0)
        break;
      if (!gap.intersectsNode(node))
        continue;
      if (node.nodeType === Node.TEXT_NODE) {
        const from = node === gap.startContainer ? gap.startOffset : 0;
        const to = node === gap.endContainer ? gap.endOffset : node.data.length;
        if (/\S/.test(node.data.substring(from, to)))
          return true;
      } else if (shownWithoutText.includes(node.tagName) || isPlaceholder(node)) {
        return true;
      }
    }
    return false;
  }

  function pointOf(container, offset) {
    const point = document.createRange();
    point.setStart(container, offset);
    return point;
  }

  // The table that the range selects exactly: the range holds the whole table and nothing shown beside it
  // (a selection from the end of the line before the table to the start of the line after it).
  function selectedTable(range) {
    let root = range.commonAncestorContainer;
    if (root.nodeType !== Node.ELEMENT_NODE)
      return null;
    if (!document.body || !document.body.contains(root))
      return null;
    const whole = document.createRange();
    for (const table of root.getElementsByTagName('table')) {
      whole.selectNode(table);
      if (range.comparePoint(whole.startContainer, whole.startOffset) > 0)
        break; // this table and every later one start after the range
      if (range.compareBoundaryPoints(Range.START_TO_START, whole) > 0 ||
        range.compareBoundaryPoints(Range.END_TO_END, whole) < 0)
        continue;
      const start = pointOf(range.startContainer, range.startOffset);
      const end = pointOf(range.endContainer, range.endOffset);
      if (stretchShows(start, pointOf(whole.startContainer, whole.startOffset)) ||
        stretchShows(end, pointOf(whole.endContainer, whole.endOffset)))
        return null;
      return table;
    }
    return null;
  }

  function selectionKind() {
    const selection = document.getSelection();
    if (!selection || selection.rangeCount === 0)
      return 0;
    const range = selection.getRangeAt(0);
    if (range.collapsed)
      return 0;
    if (selectedTable(range))
      return 1;
    return rangeHasText(range) ? 2 : 1;
  }

  function selectedControl() {
    const selection = document.getSelection();
    if (!selection || selection.rangeCount === 0)
      return null;
    const range = selection.getRangeAt(0);
    if (range.startContainer === range.endContainer && range.endOffset - range.startOffset === 1) {
      const node = range.startContainer.childNodes[range.startOffset];
      if (node && node.nodeType === Node.ELEMENT_NODE)
        return node;
    }
    return selectedTable(range) || range.commonAncestorContainer;
  }

  function commandFlags(name) {
    let flags = 0;
    try {
      if (document.queryCommandSupported(name))
        flags |= 1;
      if (document.queryCommandEnabled(name))
        flags |= 2;
      if (document.queryCommandState(name))
        flags |= 4;
    } catch (e) {
      // an unknown command answers no flags
    }
    return flags;
  }

  // The command states are dear on a large selection (the alignment states walk every selected block), so
  // they are kept until the document, the selection or the focus changes. The key is compared node by
  // node rather than trusted to selectionchange, which arrives later than a selection made by a call.
  // The values the tool bar shows (block format, font name and size) go along with them: the host then
  // refreshes its controls after a key or a command without asking the page again.
  let documentVersion = 0;
  let commandCache = null;
  let commandKey = null;
  const valueNames = ['formatBlock', 'fontName', 'fontSize'];

  function commandStateKey() {
    const selection = document.getSelection();
    const range = selection && selection.rangeCount ? selection.getRangeAt(0) : null;
    return [documentVersion, document.activeElement, document.hasFocus(),
      range ? range.startContainer : null, range ? range.startOffset : -1,
      range ? range.endContainer : null, range ? range.endOffset : -1];
  }

  function cachedCommands() {
    if (!commandCache)
      return null;
    const key = commandStateKey();
    for (let i = 0; i < key.length; ++i)
      if (key[i] !== commandKey[i])
        return null;
    return commandCache;
  }

  function commandValue(name) {
    try {
      return document.queryCommandValue(name);
    } catch (e) {
      return null;
    }
  }

  function currentCommands() {
    const cached = cachedCommands();
    if (cached)
      return cached;
    const commands = {};
    for (const name of commandNames)
      commands[name] = commandFlags(name);
    const values = {};
    for (const name of valueNames)
      values[name] = commandValue(name);
    commandCache = { commands: commands, values: values };
    commandKey = commandStateKey();
    return commandCache;
  }

  // withCommands: compute the command states when they are not current; otherwise they go along only when
  // they are current, and the host asks for them when it needs them. The version counts the changes of
  // the body, so the host knows whether the copy it last took is still the document.
  function state(withCommands) {
    flushPending();
    const kind = selectionKind();
    const snapshot = {
      serial: ++stateSerial, selection: kind, control: kind === 1 ? describe(selectedControl()) : null,
      undo: undoUnits.length, redo: redoUnits.length, version: documentVersion
    };
    const cache = withCommands ? currentCommands() : cachedCommands();
    if (cache) {
      snapshot.commands = cache.commands;
      snapshot.values = cache.values;
    }
    return snapshot;
  }

  // ---- channel to C++ ------------------------------------------------------------------------------
  let host = null;
  let connecting = false;
  const outbox = [];

  // Pointer motion and selection changes come in floods: their snapshots carry command states only when
  // these are current. Presses, clicks and keys bring them up to date, for the toolbar that follows.
  const lightEvents = ['mousemove', 'mouseover', 'mouseout'];

  function send(kind, payload) {
    payload.state = state(kind === 'event' && !lightEvents.includes(payload.type));
    if (host)
      host.Receive(kind, payload);
    else
      outbox.push([kind, payload]);
  }

  function connectChannel() {
    if (host || connecting || typeof qt === 'undefined' || !qt.webChannelTransport)
      return;
    connecting = true;
    new QWebChannel(qt.webChannelTransport, function (channel) {
      host = channel.objects.host;
      for (const message of outbox.splice(0))
        host.Receive(message[0], message[1]);
    });
  }

  // ---- resize handles ------------------------------------------------------------------------------
  let overlay = null;
  let sizing = null;     // the element that carries the handles
  let drag = null;       // {edge, x, y, width, height}
  let sizingWatch = null; // watches the size of the element that carries the handles

  function isOverlay(node) {
    return overlay !== null && (node === overlay || overlay.contains(node));
  }

  function reportsResize(element) {
    return element && element.nodeType === Node.ELEMENT_NODE && element.hasAttribute('onresizeend');
  }

  function ensureOverlay() {
    if (overlay)
      return overlay;
    overlay = document.createElement('div');
    overlay.setAttribute('style', 'position:absolute;display:none;pointer-events:none;z-index:2147483647;' +
      'border:1px dashed #000;box-sizing:border-box;margin:0;padding:0');
    for (const edge of ['e', 's', 'se']) {
      const handle = document.createElement('div');
      handle.dataset.edge = edge;
      handle.setAttribute('style', 'position:absolute;width:7px;height:7px;background:#fff;border:1px solid #000;' +
        'box-sizing:border-box;pointer-events:auto;cursor:' + edge + '-resize');
      overlay.appendChild(handle);
    }
    document.documentElement.appendChild(overlay);
    return overlay;
  }

  function placeHandles(width, height) {
    const box = ensureOverlay();
    const rect = sizing.getBoundingClientRect();
    width = width === undefined ? rect.width : width;
    height = height === undefined ? rect.height : height;
    box.style.left = (rect.left + window.scrollX) + 'px';
    box.style.top = (rect.top + window.scrollY) + 'px';
    box.style.width = width + 'px';
    box.style.height = height + 'px';
    box.style.display = 'block';
    for (const handle of box.children) {
      const edge = handle.dataset.edge;
      handle.style.left = (edge === 's' ? width / 2 - 4 : width - 4) + 'px';
      handle.style.top = (edge === 'e' ? height / 2 - 4 : height - 4) + 'px';
    }
  }

  function showHandles(element) {
    sizing = element;
    placeHandles();
    // A size the element takes without a change of the document (a picture or a font arriving late).
    if (!sizingWatch && typeof ResizeObserver !== 'undefined')
      sizingWatch = new ResizeObserver(followSizing);
    if (sizingWatch) {
      sizingWatch.disconnect();
      sizingWatch.observe(element);
    }
  }

  function hideHandles() {
    sizing = null;
    if (sizingWatch)
      sizingWatch.disconnect();
    if (overlay)
      overlay.style.display = 'none';
  }

  // The frame follows its element through every change of the page (a table command, formatting, typing,
  // undo and redo) and goes with it when it leaves the document (a selected table deleted, an image typed
  // over). While the user drags a handle the frame shows the size being dragged instead.
  function followSizing() {
    if (!sizing || drag)
      return;
    if (document.body && document.body.contains(sizing))
      placeHandles();
    else
      hideHandles();
  }

  window.addEventListener('resize', followSizing);
  // A picture that arrives late moves what stands below it.
  document.addEventListener('load', followSizing, true);

  // The new size goes into the element's width and height, as one undo unit, and is reported to the host.
  function resizeElement(element, width, height) {
    flushPending();
    element.setAttribute('width', String(Math.max(1, Math.round(width))));
    element.setAttribute('height', String(Math.max(1, Math.round(height))));
    pushUnit(observer ? observer.takeRecords() : []);
    if (sizing === element)
      placeHandles();
    send('report', { element: describe(element), width: element.offsetWidth, height: element.offsetHeight });
  }

  // ---- document events -----------------------------------------------------------------------------
  const reportedEvents = ['mousedown', 'mousemove', 'mouseup', 'mouseout', 'mouseover', 'click', 'dblclick',
    'keydown', 'keyup', 'keypress'];

  const controlTags = ['IMG', 'INPUT', 'SELECT', 'TEXTAREA', 'BUTTON', 'HR'];

  function onHandlePress(event) {
    const edge = event.target.dataset ? event.target.dataset.edge : undefined;
    if (!edge || !sizing)
      return false;
    const rect = sizing.getBoundingClientRect();
    drag = { edge: edge, x: event.clientX, y: event.clientY, width: rect.width, height: rect.height };
    event.preventDefault();
    event.stopPropagation();
    return true;
  }

  function dragSize(event) {
    return {
      width: drag.edge === 's' ? drag.width : drag.width + event.clientX - drag.x,
      height: drag.edge === 'e' ? drag.height : drag.height + event.clientY - drag.y
    };
  }

  // The keys the page has seen: the host compares them with the keys it sent before it reads the caret.
  let keysSeen = 0;

  function onDocumentEvent(event) {
    if (event.type === 'keydown')
      ++keysSeen;
    if (drag) {
      if (event.type === 'mousemove') {
        const size = dragSize(event);
        placeHandles(size.width, size.height);
      } else if (event.type === 'mouseup') {
        const size = dragSize(event);
        const resized = Math.round(size.width) !== Math.round(drag.width) ||
          Math.round(size.height) !== Math.round(drag.height);
        drag = null;
        // A press and release that changed no size writes none (a click, or the first of a double-click).
        if (resized)
          resizeElement(sizing, size.width, size.height);
        else
          placeHandles();
      }
      event.preventDefault();
      event.stopPropagation();
      return;
    }
    if (isOverlay(event.target)) {
      if (event.type === 'mousedown')
        onHandlePress(event);
      else if (event.type === 'dblclick' && sizing)
        send('event', { type: event.type, element: describe(sizing) }); // the handles' element's own
      return;
    }
    // The choices of a list box are part of it: a press on one is a press on the select.
    const listBox = event.target.closest ? event.target.closest('select') : null;
    const target = listBox || event.target;
    const extra = {};
    if (event.type === 'mousedown') {
      const element = target.nodeType === Node.ELEMENT_NODE ? target : target.parentElement;
      const sized = element ? element.closest('[onresizeend]') : null;
      // A press on a table's frame (its border or the spacing between its cells) is one on the table.
      const frame = element && element.closest('td, th, caption, table');
      const control = element && (controlTags.includes(element.tagName) || isPlaceholder(element)) ? element :
        frame && frame.tagName === 'TABLE' ? frame : null;
      if (control && document.body.contains(control)) {
        // Images, placeholders, form controls and tables pressed on their frame are selected whole, as a
        // control, so the tools act on them.
        const range = document.createRange();
        range.selectNode(control);
        const selection = document.getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
        event.preventDefault();
      }
      if (sized)
        showHandles(sized);
      else
        hideHandles();
    } else if (event.type === 'dblclick') {
      extra.onText = pointOnText(target, event.clientX, event.clientY);
    } else if (event.type === 'keydown') {
      keyDown(event, extra);
    }
    send('event', Object.assign({ type: event.type, element: describe(target) }, extra));
  }

  // Whether the point lies on a line of the text that stands directly in the element (not in a child).
  function pointOnText(element, x, y) {
    if (!element || element.nodeType !== Node.ELEMENT_NODE)
      return false;
    const range = document.createRange();
    for (let node = element.firstChild; node; node = node.nextSibling) {
      if (node.nodeType !== Node.TEXT_NODE || !/\S/.test(node.data))
        continue;
      range.selectNodeContents(node);
      for (const r of range.getClientRects())
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
          return true;
    }
    return false;
  }

  function caretCell() {
    const selection = document.getSelection();
    if (!selection || selection.rangeCount === 0)
      return null;
    const node = selection.getRangeAt(0).startContainer;
    const element = node.nodeType === Node.ELEMENT_NODE ? node : node.parentElement;
    const cell = element ? element.closest('td, th') : null;
    return cell && document.body.contains(cell) ? cell : null;
  }

  // Tab and Shift+Tab are the design view's: they never take the focus out of the page nor put a tab into
  // it; the host moves the caret between cells. Delete and Backspace on a selected table are the host's
  // too: the engine would merge the lines around the table into one.
  function keyDown(event, extra) {
    if (event.ctrlKey || event.altKey || event.metaKey)
      return;
    if (event.key === 'Tab') {
      event.preventDefault();
      extra.key = 'Tab';
      extra.back = event.shiftKey;
      const cell = caretCell();
      extra.cell = describe(cell);
      extra.table = describe(cell ? cell.closest('table') : null);
    } else if (event.key === 'Delete' || event.key === 'Backspace') {
      const selection = document.getSelection();
      const range = selection && selection.rangeCount ? selection.getRangeAt(0) : null;
      const table = range && !range.collapsed ? selectedTable(range) : null;
      if (table) {
        event.preventDefault();
        extra.key = 'Delete';
        extra.control = describe(table);
      } else if (range && range.collapsed) {
        // The engine will not delete an element it cannot edit into from beside it: a placeholder next to
        // the caret is selected, and the key's own deletion then takes it away whole, as a picture.
        const placeholder = placeholderBeside(range, event.key === 'Backspace');
        if (placeholder) {
          const whole = document.createRange();
          whole.selectNode(placeholder);
          selection.removeAllRanges();
          selection.addRange(whole);
        }
      }
    }
  }

  // The placeholder just before (or after) a caret, when nothing stands between them.
  function placeholderBeside(range, before) {
    const node = range.startContainer;
    const offset = range.startOffset;
    let sibling;
    if (node.nodeType === Node.TEXT_NODE) {
      if (before ? offset > 0 : offset < node.data.length)
        return null;
      sibling = before ? node.previousSibling : node.nextSibling;
    } else {
      sibling = before ? node.childNodes[offset - 1] : node.childNodes[offset];
    }
    return sibling && isPlaceholder(sibling) ? sibling : null;
  }

  // The count of keys seen, the element that has the focus (the one a key goes to), and the placeholders
  // shown right before and right after a caret in an editable part of the page (not in a field), on the
  // same line: between them and the caret stand only the edges of inline elements. None for a selection
  // that is no caret.
  function placeholdersBesideCaret() {
    const answer = { keys: keysSeen, focus: describe(document.activeElement), placeholders: [] };
    const selection = document.getSelection();
    const focus = document.activeElement;
    if (!selection || !selection.rangeCount || !focus || !focus.isContentEditable || controlTags.includes(focus.tagName))
      return answer;
    const range = selection.getRangeAt(0);
    if (!range.collapsed || !focus.contains(range.startContainer) || !document.body.contains(range.startContainer))
      return answer;
    for (const before of [true, false]) {
      const node = shownBeside(range.startContainer, range.startOffset, before);
      if (node && isPlaceholder(node) && getComputedStyle(node).display !== 'block')
        answer.placeholders.push(tokenOf(node));
    }
    return answer;
  }

  // The node shown next to the point (container, offset), looking back (before) or forward: the search
  // enters and leaves inline elements, passes over empty texts and comments, and ends at a block's edge.
  function shownBeside(container, offset, before) {
    let parent;
    let next;
    if (isText(container)) {
      if (before ? offset > 0 : offset < container.data.length)
        return container;
      parent = container.parentNode;
      next = before ? container.previousSibling : container.nextSibling;
    } else {
      parent = container;
      next = before ? container.childNodes[offset - 1] : container.childNodes[offset];
    }
    const passable = function (node) {
      return node.nodeType === Node.ELEMENT_NODE && !isPlaceholder(node) && node.tagName !== 'BR' &&
        !shownWithoutText.includes(node.tagName) && getComputedStyle(node).display === 'inline';
    };
    for (;;) {
      if (!next) {
        if (!parent || parent === document.body || !passable(parent))
          return null;
        next = before ? parent.previousSibling : parent.nextSibling;
        parent = parent.parentNode;
      } else if (next.nodeType === Node.COMMENT_NODE || (isText(next) && next.data.length === 0)) {
        next = before ? next.previousSibling : next.nextSibling;
      } else if (passable(next)) {
        parent = next;
        next = before ? next.lastChild : next.firstChild;
      } else {
        return next;
      }
    }
  }

  // The engine's own undo keys work on our unit stack, so every change stays countable.
  function onBeforeInput(event) {
    if (event.inputType === 'historyUndo' || event.inputType === 'historyRedo') {
      event.preventDefault();
      if (event.inputType === 'historyUndo')
        undo(1);
      else
        redo(1);
      send('change', {});
    }
  }

  // While the page arrives the engine would lay out and paint the growing document again after every
  // piece; a large page then costs several times its own layout. Nothing is shown until it is complete
  // (a sheet of the runtime's own, outside the document's markup).
  let loadingSheet = null;
  try {
    loadingSheet = new CSSStyleSheet();
    loadingSheet.replaceSync('html { display: none !important; }');
    document.adoptedStyleSheets = [loadingSheet];
  } catch (e) {
    loadingSheet = null; // shown while loading, as the engine does by itself
  }

  function showDocument() {
    if (loadingSheet) {
      document.adoptedStyleSheets = document.adoptedStyleSheets.filter(function (s) { return s !== loadingSheet; });
      loadingSheet = null;
    }
  }

  // Tag glyphs: a sheet of the runtime's own, generated content only, never part of the document. A line
  // break has no generated content, so its glyph is a picture on a layer outside the body. Only the breaks
  // on screen get one, placed again after every change of the body, every scroll and every resize: the
  // work follows what is shown, not the length of the page.
  let glyphSheet = null;
  let breakGlyph = null; // {url, height}
  let breakLayer = null;
  let breakObserver = null;

  // The first and the last position on screen in document order, from points along the top and the
  // bottom edge (several across, so that the columns of a layout table are all covered).
  function screenBounds() {
    let first = null;
    let last = null;
    const width = document.documentElement.clientWidth || window.innerWidth;
    const height = document.documentElement.clientHeight || window.innerHeight;
    for (const y of [0, Math.max(0, height - 1)]) {
      for (const share of [0.02, 0.25, 0.5, 0.75, 0.98]) {
        const at = document.caretRangeFromPoint(width * share, y);
        if (!at || !document.body.contains(at.startContainer))
          continue;
        if (!first || at.compareBoundaryPoints(Range.START_TO_START, first) < 0)
          first = at;
        if (!last || at.compareBoundaryPoints(Range.START_TO_START, last) > 0)
          last = at;
      }
    }
    return first && last ? { first: first, last: last } : null;
  }

  // The line breaks between the two positions; the walk stops after a fixed number of nodes, so a page
  // laid out far from its source order costs no more than a screen of nodes.
  function breaksOnScreen() {
    const bounds = screenBounds();
    if (!bounds)
      return [];
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT);
    let node = bounds.first.startContainer;
    if (node.nodeType === Node.ELEMENT_NODE && node.childNodes[bounds.first.startOffset])
      node = node.childNodes[bounds.first.startOffset];
    let end = bounds.last.startContainer;
    if (end.nodeType === Node.ELEMENT_NODE && end.childNodes[bounds.last.startOffset])
      end = end.childNodes[bounds.last.startOffset];
    // The end's own line: its break follows it within the same line at most a few nodes on.
    const found = [];
    walker.currentNode = node;
    let after = -1;
    for (let steps = 0; node && steps < 20000 && after < 64; ++steps) {
      if (node.nodeName === 'BR')
        found.push(node);
      if (node === end)
        after = 0;
      else if (after >= 0)
        ++after;
      node = walker.nextNode();
    }
    return found;
  }

  function placeBreakGlyphs() {
    if (!breakGlyph || !document.body) {
      if (breakLayer)
        breakLayer.textContent = '';
      return;
    }
    if (!breakLayer) {
      breakLayer = document.createElement('div');
      breakLayer.setAttribute('style', 'position:absolute;left:0;top:0;width:0;height:0;margin:0;padding:0;' +
        'border:0;pointer-events:none;z-index:2147483646');
      document.documentElement.appendChild(breakLayer);
    }
    const breaks = breaksOnScreen();
    while (breakLayer.children.length > breaks.length)
      breakLayer.lastChild.remove();
    const range = document.createRange();
    for (let i = 0; i < breaks.length; ++i) {
      let picture = breakLayer.children[i];
      if (!picture) {
        picture = document.createElement('img');
        picture.setAttribute('style', 'position:absolute;margin:0;padding:0;border:0');
        breakLayer.appendChild(picture);
      }
      if (picture.getAttribute('src') !== breakGlyph.url)
        picture.setAttribute('src', breakGlyph.url);
      range.selectNode(breaks[i]);
      const r = range.getBoundingClientRect();
      picture.style.display = r.width === 0 && r.height === 0 && r.left === 0 && r.top === 0 ? 'none' : '';
      picture.style.left = (r.left + window.scrollX + 1) + 'px';
      picture.style.top = (r.top + window.scrollY + Math.max(0, (r.height - breakGlyph.height) / 2)) + 'px';
    }
  }

  // Timers do not run in the design page (its scripting is off); observer callbacks and events do, and
  // they come once per batch of changes.
  function scheduleBreakGlyphs() {
    if (breakGlyph || breakLayer)
      placeBreakGlyphs();
  }

  function setGlyphs(css, breakUrl, breakHeight) {
    if (!glyphSheet && css) {
      glyphSheet = new CSSStyleSheet();
      document.adoptedStyleSheets = document.adoptedStyleSheets.concat([glyphSheet]);
    }
    if (glyphSheet)
      glyphSheet.replaceSync(css || '');
    breakGlyph = breakUrl ? { url: breakUrl, height: breakHeight || 0 } : null;
    if (breakGlyph && !breakObserver && document.body) {
      breakObserver = new MutationObserver(scheduleBreakGlyphs);
      breakObserver.observe(document.body, { subtree: true, childList: true, attributes: true, characterData: true });
    } else if (!breakGlyph && breakObserver) {
      breakObserver.disconnect();
      breakObserver = null;
    }
    placeBreakGlyphs();
    return true;
  }

  // The sizes of the placeholders that have none of their own, as the host words them: a sheet of the
  // runtime's own over the page, never part of the document.
  let placeholderSheet = null;
  function setPlaceholderSheet(css) {
    if (!placeholderSheet) {
      placeholderSheet = new CSSStyleSheet();
      document.adoptedStyleSheets = document.adoptedStyleSheets.concat([placeholderSheet]);
    }
    placeholderSheet.replaceSync(css);
    return true;
  }

  window.addEventListener('resize', scheduleBreakGlyphs);
  window.addEventListener('scroll', scheduleBreakGlyphs);

  // The line end and the indentation before a row's cells and its end tag stand in the page as texts of
  // blanks inside the row. A row shows no text, and the document keeps none there (its rows hold cells
  // only), but the engine's editing commands pay for every such text that comes before the selection: on
  // a page of many table rows Bold and the lists took five times as long as on the same rows without
  // them. They go before the page is shown and before its changes are recorded.
  function dropRowBlanks() {
    // A list taken once: a live one would be walked again from the start after every removal.
    for (const row of document.body.querySelectorAll('tr')) {
      for (let node = row.firstChild; node;) {
        const next = node.nextSibling;
        if (node.nodeType === Node.TEXT_NODE && !/[^ \t\r\n\f]/.test(node.data))
          row.removeChild(node);
        node = next;
      }
    }
  }

  function start() {
    if (!observer && document.body)
      dropRowBlanks();
    showDocument();
    connectChannel();
    if (observer || !document.body)
      return;
    observer = new MutationObserver(function (records) {
      if (pushUnit(records))
        send('change', {});
    });
    observer.observe(document.body, {
      subtree: true, childList: true, attributes: true, characterData: true,
      attributeOldValue: true, characterDataOldValue: true
    });
  }

  // The engine paints no selection over an element without content: a placeholder selected whole is
  // tinted as a selected picture is, by a sheet of the runtime's own, so the markup stays untouched.
  let markSheet = null;
  let marked = null;
  function selectedPlaceholder() {
    const selection = document.getSelection();
    if (!selection || !selection.rangeCount)
      return null;
    const range = selection.getRangeAt(0);
    const child = range.startContainer === range.endContainer && range.endOffset - range.startOffset === 1 ?
      range.startContainer.childNodes[range.startOffset] : null;
    return child && isPlaceholder(child) ? child : null;
  }

  function markSelectedPlaceholder() {
    const node = selectedPlaceholder();
    if (node === marked)
      return;
    marked = node;
    if (!markSheet) {
      markSheet = new CSSStyleSheet();
      document.adoptedStyleSheets = document.adoptedStyleSheets.concat([markSheet]);
    }
    markSheet.replaceSync(node ? '#' + CSS.escape(node.id) + '{box-shadow:inset 0 0 0 32px rgba(56,117,215,0.5);}' : '');
  }

  // The engine's own paste puts an element it cannot edit into on a line of its own, splitting the paragraph
  // pasted into, and its copy carries the computed look along. A placeholder copied or cut by itself goes to
  // the clipboard as its own markup, and markup of placeholders alone is pasted where the caret is.
  function onClipboard(event) {
    const node = selectedPlaceholder();
    if (!node || !event.clipboardData)
      return;
    event.preventDefault();
    const copy = node.cloneNode(false);
    copy.removeAttribute('style');
    event.clipboardData.setData('text/html', copy.outerHTML);
    event.clipboardData.setData('text/plain', '');
    if (event.type === 'cut') {
      const place = document.createRange();
      place.setStartBefore(node);
      node.remove();
      const selection = document.getSelection();
      selection.removeAllRanges();
      selection.addRange(place);
    }
  }

  // Markup holding placeholders and nothing that makes blocks (a copied stretch of a line) is pasted where
  // the caret is, without the look the engine's copy annotated it with; anything else is the engine's.
  const pastedBlocks = 'address,article,aside,blockquote,center,dd,details,dir,div,dl,dt,fieldset,figcaption,' +
    'figure,footer,form,h1,h2,h3,h4,h5,h6,header,hr,li,main,menu,nav,ol,p,pre,section,table,tbody,td,tfoot,th,' +
    'thead,tr,ul';
  function onPaste(event) {
    const html = event.clipboardData ? event.clipboardData.getData('text/html') : '';
    if (!html || !/dsgn_:::_/.test(html))
      return;
    const probe = document.createElement('template');
    probe.innerHTML = html;
    const content = probe.content;
    if (content.querySelector(pastedBlocks))
      return;
    const walker = document.createTreeWalker(content, NodeFilter.SHOW_COMMENT);
    const comments = [];
    for (let node = walker.nextNode(); node; node = walker.nextNode())
      comments.push(node);
    for (const node of comments)
      node.remove();
    for (const meta of content.querySelectorAll('meta, style, script, link, title'))
      meta.remove();
    for (const element of content.querySelectorAll('[style]'))
      element.removeAttribute('style');
    for (const span of Array.from(content.querySelectorAll('span')).reverse()) {
      if (span.attributes.length === 0)
        span.replaceWith.apply(span, Array.from(span.childNodes));
    }
    if (!content.querySelector('span[id^="dsgn_:::_"]'))
      return;
    event.preventDefault();
    const holder = document.createElement('div');
    holder.appendChild(content);
    insertHtml(holder.innerHTML);
  }

  for (const type of reportedEvents)
    document.addEventListener(type, onDocumentEvent, true);
  document.addEventListener('copy', onClipboard, true);
  document.addEventListener('cut', onClipboard, true);
  document.addEventListener('paste', onPaste, true);
  document.addEventListener('beforeinput', onBeforeInput, true);
  document.addEventListener('selectionchange', function () {
    markSelectedPlaceholder();
    send('selection', {});
  });
  document.addEventListener('DOMContentLoaded', start);
  connectChannel();

  // ---- calls from C++ ------------------------------------------------------------------------------
  // Whether the part of the page in range shows anything: text other than blanks, or an element other
  // than a line break and the inline elements around text (split).
  function holdsContent(range, split) {
    const part = range.cloneContents();
    if (/[^ \t\n\r\f]/.test(part.textContent))
      return true;
    for (const element of part.querySelectorAll('*'))
      if (element.tagName !== 'BR' && !element.matches(split))
        return true;
    return false;
  }

  // The place for a block at the collapsed range: the outermost of the elements around it that match
  // split (a paragraph and the inline elements in it) is split there, its attributes but the id going
  // with the second half; at its start or end, nothing is split and the place is before or after it.
  function blockPlace(range, split) {
    let outer = null;
    const node = range.startContainer;
    for (let e = node.nodeType === Node.ELEMENT_NODE ? node : node.parentElement;
      e && e !== document.body && e.matches(split); e = e.parentElement)
      outer = e;
    if (!outer || !document.body.contains(outer))
      return range;
    const before = document.createRange();
    before.setStart(outer, 0);
    before.setEnd(range.startContainer, range.startOffset);
    const after = document.createRange();
    after.setStart(range.startContainer, range.startOffset);
    after.setEnd(outer, outer.childNodes.length);
    const place = document.createRange();
    if (!holdsContent(after, split)) {
      place.setStartAfter(outer);
    } else if (!holdsContent(before, split)) {
      place.setStartBefore(outer);
    } else {
      const rest = outer.cloneNode(false);
      rest.removeAttribute('id');
      rest.appendChild(after.extractContents());
      outer.after(rest);
      place.setStartAfter(outer);
    }
    place.collapse(true);
    return place;
  }

  // split: for markup that holds a block, the selector of the elements that cannot hold one. typing: the
  // selector of the elements that are a place to type; the caret goes to the start of the first one the
  // markup brings, else right after the markup.
  function insertHtml(html, split, typing) {
    flushPending();
    const selection = document.getSelection();
    let range;
    if (selection && selection.rangeCount) {
      range = selection.getRangeAt(0);
      if (!range.collapsed && (range.toString() === '' || selectedTable(range)))
        throw new Error('control selection');
      if (!document.body.contains(range.commonAncestorContainer))
        range = null;
    }
    if (!range) {
      range = document.createRange();
      range.setStart(document.body, 0);
    }
    const fragment = range.createContextualFragment(html);
    const made = Array.from(fragment.childNodes);
    const last = fragment.lastChild;
    range.deleteContents();
    if (split)
      range = blockPlace(range, split);
    range.insertNode(fragment);
    if (last) {
      let place = null;
      for (let i = 0; typing && !place && i < made.length; ++i)
        if (made[i].nodeType === Node.ELEMENT_NODE)
          place = made[i].matches(typing) ? made[i] : made[i].querySelector(typing);
      if (place)
        range.setStart(place, 0);
      else
        range.setStartAfter(last);
      range.collapse(true);
      selection.removeAllRanges();
      selection.addRange(range);
    }
    pushUnit(observer.takeRecords());
  }

  // The link that holds the selection: the box proposed its address, so the address the user gives is that
  // link's new address. The engine's own command would put a bare link in its place (or, for a part of its
  // text, split it in two), losing its id, title, target and the rest.
  function linkOfSelection() {
    const selection = document.getSelection();
    if (!selection || selection.rangeCount === 0)
      return null;
    let node = selection.getRangeAt(0).commonAncestorContainer;
    if (node.nodeType !== Node.ELEMENT_NODE)
      node = node.parentElement;
    const link = node ? node.closest('a[href]') : null;
    if (!link || !document.body.contains(link))
      return null;
    return link;
  }

  // options.pictures: tokens of placeholders that the engine is to see as pictures during the command (see
  // asPictures); options.reveal: the caret is scrolled into view afterwards, as the engine does after a key.
  function execCommand(name, value, options) {
    flushPending();
    const link = name === 'createLink' && value ? linkOfSelection() : null;
    if (link)
      link.setAttribute('href', value);
    const pictures = options && options.pictures;
    const run = function () { return document.execCommand(name, false, value === undefined ? null : value); };
    const done = link ? true : pictures && pictures.length ? asPictures(pictures, run) : run();
    pushUnit(observer ? observer.takeRecords() : []);
    if (options && options.reveal)
      revealCaret();
    return done;
  }

  // Scrolls the page as little as brings the start of the selection into view.
  function revealCaret() {
    const selection = document.getSelection();
    if (!selection || !selection.rangeCount)
      return;
    const range = selection.getRangeAt(0);
    let node = range.startContainer;
    let box = null;
    if (!isText(node) && node.childNodes[range.startOffset])
      node = node.childNodes[range.startOffset];
    if (isText(node)) {
      // The box of the character at the caret (the one before it at the end of the text).
      if (node.data.length) {
        const at = Math.min(node === range.startContainer ? range.startOffset : 0, node.data.length - 1);
        const character = document.createRange();
        character.setStart(node, at);
        character.setEnd(node, at + 1);
        box = character.getClientRects()[0] || null;
      }
      node = node.parentElement;
    }
    if (!box && node && node.nodeType === Node.ELEMENT_NODE)
      box = node.getClientRects()[0] || null;
    if (!box)
      return;
    // (The design page has no document type: the root's client height is that of the whole page.)
    const height = window.innerHeight;
    if (box.bottom > height)
      window.scrollBy(0, Math.min(box.bottom - height, box.top));
    else if (box.top < 0)
      window.scrollBy(0, box.top);
  }

  // Runs command with each of the placeholders given by token standing as a picture of its size, then puts
  // the placeholders back where the pictures are: the engine takes an empty element it cannot edit into
  // for the edge of the editable text, so a paragraph split beside one breaks the line instead or leaves a
  // stray line break beside it, where beside a picture it splits as in plain text. The selection is kept
  // by its boundary points, which the exchange of one node for another in the same place leaves valid.
  function asPictures(tokens, command) {
    const selection = document.getSelection();
    const exchange = function (from, to) {
      const points = selection.rangeCount ?
        [selection.anchorNode, selection.anchorOffset, selection.focusNode, selection.focusOffset] : null;
      from.replaceWith(to);
      if (points && points[0].isConnected && points[2].isConnected)
        selection.setBaseAndExtent(points[0], points[1], points[2], points[3]);
    };
    const pictures = [];
    for (const token of tokens) {
      const placeholder = elementOf(token);
      if (!isPlaceholder(placeholder) || !document.body.contains(placeholder))
        continue;
      const picture = document.createElement('img');
      picture.width = placeholder.offsetWidth;
      picture.height = placeholder.offsetHeight;
      exchange(placeholder, picture);
      pictures.push([placeholder, picture]);
    }
    try {
      return command();
    } finally {
      for (const [placeholder, picture] of pictures)
        if (picture.isConnected)
          exchange(picture, placeholder);
    }
  }

  function elementCall(token, what, args) {
    const element = elementOf(token);
    let result = null;
    flushPending();
    switch (what) {
    case 'snapshot': {
      const attributes = {};
      for (const a of element.attributes)
        attributes[a.name] = a.value;
      result = {
        tag: tagOf(element), id: element.id, attributes: attributes, outerHTML: element.outerHTML,
        innerHTML: element.innerHTML, offsetWidth: element.offsetWidth, offsetHeight: element.offsetHeight,
        parent: describe(element.parentElement), connected: element.isConnected
      };
      break;
    }
    case 'getAttribute': result = element.getAttribute(args[0]); break;
    case 'parent': result = describe(element.parentElement); break;
    case 'size': result = { width: element.offsetWidth, height: element.offsetHeight }; break;
    case 'outerHTML': result = element.outerHTML; break;
    case 'innerHTML': result = element.innerHTML; break;
    case 'apply': {
      const order = Array.from(element.attributes).map(function (a) { return a.name; });
      // A batch of changes: [["set", name, value], ["remove", name], ["style", name, value],
      // ["innerHTML", html], ["outerHTML", html], ["insertAdjacentHTML", where, html]]
      for (const change of args) {
        if (change[0] === 'set') element.setAttribute(change[1], change[2]);
        else if (change[0] === 'remove') element.removeAttribute(change[1]);
        else if (change[0] === 'style') element.style.setProperty(change[1], change[2]);
        else if (change[0] === 'innerHTML') element.innerHTML = change[1];
        else if (change[0] === 'outerHTML') element.outerHTML = change[1];
        else if (change[0] === 'insertAdjacentHTML') element.insertAdjacentHTML(change[1], change[2]);
        else throw new Error('unknown change ' + change[0]);
      }
      if (pushUnit(observer.takeRecords()))
        undoUnits[undoUnits.length - 1].orders = [[element, order]];
      break;
    }
    case 'select': {
      const range = document.createRange();
      if (args[0] === 'contents') range.selectNodeContents(element);
      else if (args[0] === 'before') range.setStartBefore(element); // a caret: the range stays collapsed
      else if (args[0] === 'start') range.setStart(element, 0);
      else range.selectNode(element);
      const selection = document.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
      break;
    }
    default: throw new Error('unknown element call ' + what);
    }
    return result;
  }

  // The elements matching selector that the range touches, in document order: those inside the range's
  // common ancestor and the ancestors above it. The walk covers the selection, not the document.
  function touchedElements(range, selector) {
    let root = range.commonAncestorContainer;
    if (root.nodeType !== Node.ELEMENT_NODE)
      root = root.parentElement;
    if (!root || !document.body.contains(root))
      return [];
    const above = [];
    for (let e = root; e && e !== document.body; e = e.parentElement)
      if (e.matches(selector))
        above.unshift(e);
    const inside = Array.from(root.querySelectorAll(selector)).filter(function (e) { return range.intersectsNode(e); });
    return above.concat(inside);
  }

  // Sets one attribute on the elements matching selector that the selection touches: a batch the host
  // sends after an editing command whose markup it words differently from the engine.
  function setOnSelected(selector, name, value) {
    flushPending();
    const selection = document.getSelection();
    if (!selection || selection.rangeCount === 0)
      return 0;
    const range = selection.getRangeAt(0);
    let count = 0;
    for (const element of touchedElements(range, selector)) {
      if (element.getAttribute(name) !== value) {
        element.setAttribute(name, value);
        ++count;
      }
    }
    pushUnit(observer ? observer.takeRecords() : []);
    return count;
  }

  // The innermost blocks of the given tags that the selection touches, in document order, with their
  // attributes: the host compares them before and after a block command.
  function selectedBlocks(selector) {
    const selection = document.getSelection();
    if (!selection || selection.rangeCount === 0)
      return [];
    const range = selection.getRangeAt(0);
    const touched = touchedElements(range, selector);
    const innermost = touched.filter(function (e, i) {
      // In document order a descendant follows its ancestor at once or later.
      return !(i + 1 < touched.length && e.contains(touched[i + 1]));
    });
    if (innermost.length === 0) {
      const node = range.startContainer;
      if (node.nodeType !== Node.ELEMENT_NODE)
        node = node.parentElement;
      const block = node ? node.closest(selector) : null;
      if (block && document.body.contains(block))
        innermost.push(block);
    }
    return innermost.map(function (e) {
      return { element: describe(e), attributes: Array.from(e.attributes).map(function (a) { return [a.name, a.value]; }) };
    });
  }

  // Finds Text after the selection, wrapping at the end; selects it when found.
  function findText(text) {
    flushPending();
    return !!text && window.find(text, false, false, true, false, false, false);
  }

  function bodyHtml() {
    return document.body ? document.body.outerHTML : null;
  }

  // The address of the link that holds the selection, null when it is in none.
  function selectionLink() {
    const link = linkOfSelection();
    return link ? link.getAttribute('href') : null;
  }

  function elementFromPoint(x, y) {
    const element = document.elementFromPoint(x, y);
    return isOverlay(element) ? describe(sizing) : describe(element);
  }

  window.__designRuntime = {
    // The host's first call on a page may come with the start, in the same round trip: First names it.
    ready: function (first, args) {
      start();
      const answer = { ready: !!observer };
      if (first) {
        try {
          answer.first = window.__designRuntime[first].apply(null, args || []);
        } catch (e) {
          answer.first = null; // the page stands; the host does without
        }
      }
      answer.state = state(true);
      return answer;
    },
    state: function (withCommands) { return state(!!withCommands); },
    body: bodyHtml,
    body_element: function () { return describe(document.body); },
    byId: function (id) { return describe(document.getElementById(id)); },
    exec: function (name, value, options) {
      const done = execCommand(name, value, options);
      return { result: done, state: state(true) };
    },
    besideCaret: placeholdersBesideCaret,
    value: function (name) { return document.queryCommandValue(name); },
    undo: function (count) { const done = undo(count); return { result: done, state: state(true) }; },
    redo: function (count) { const done = redo(count); return { result: done, state: state(true) }; },
    insertHtml: function (html, split, typing) { insertHtml(html, split, typing); return { result: true, state: state(true) }; },
    element: function (token, what, args) { return { result: elementCall(token, what, args || []), state: state(false) }; },
    elementFromPoint: elementFromPoint,
    glyphs: setGlyphs,
    placeholders: setPlaceholderSheet,
    setOnSelected: function (selector, name, value) {
      return { result: setOnSelected(selector, name, value), state: state(true) };
    },
    selectedBlocks: selectedBlocks,
    find: function (text) { return { result: findText(text), state: state(false) }; },
    selectionLink: selectionLink,
    resize: function (token, width, height) { resizeElement(elementOf(token), width, height); return state(false); },
    handles: function () {
      if (!overlay || overlay.style.display === 'none')
        return null;
      const r = overlay.lastChild.getBoundingClientRect();
      const f = overlay.getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2, frame: [f.left, f.top, f.width, f.height] };
    }
  };

  // ---- for further sections of the runtime (table editing) -----------------------------------------
  window.__designRuntime.internal = {
    tokenOf: tokenOf,
    elementOf: elementOf,
    describe: describe,
    send: send,
    state: state,
    // Runs change() as one undo unit of the body; a change that throws is taken back whole. Undoing it
    // puts back the attribute order of the elements given.
    unit: function (change, keepOrder) {
      flushPending();
      const orders = (keepOrder || []).map(function (element) {
        return [element, Array.from(element.attributes).map(function (a) { return a.name; })];
      });
      let result;
      try {
        result = change();
      } catch (e) {
        const partial = observer ? copyRecords(observer.takeRecords()) : [];
        if (partial.length)
          revertUnit(partial);
        throw e;
      }
      if (pushUnit(observer ? observer.takeRecords() : []) && orders.length)
        undoUnits[undoUnits.length - 1].orders = orders;
      return result;
    }
  };
})();
