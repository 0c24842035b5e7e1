// Page-side writing of the body as markup, run after the design runtime in its world. Saving, the code view
// and the copy taken while the page is quiet need the body as markup; written out whole by the engine it
// costs as much as the page is long, though after an edit nearly all of it is what it was. So the body is
// written in parts: an element with many descendants as its start tag, its children one by one and its
// end tag; any other node as its own markup, kept until something in it changes. The host keeps the text it
// was sent last and is sent only what lies between the start and the end that stayed the same; finding
// that part walks down the changed elements only, not the whole body.
(function () {
  'use strict';
  const runtime = window.__designRuntime;
  if (!runtime || !runtime.internal || runtime.bodyText)
    return;
  const core = runtime.internal;

  // An element with more descendants than this is written in parts.
  const SplitAbove = 200;
  // Elements whose text is written as it stands, or whose first line end is written twice: always whole.
  const wholeTags = new Set(['SCRIPT', 'STYLE', 'XMP', 'IFRAME', 'NOEMBED', 'NOFRAMES', 'NOSCRIPT', 'PLAINTEXT',
    'TEMPLATE', 'PRE', 'TEXTAREA', 'LISTING']);
  const htmlNamespace = 'http://www.w3.org/1999/xhtml';
  // Browsers drop a line end that stands right after the start tag of these, and the engine's markup does
  // not write one there again: "<pre>\n\n  x" shows one line end before x, written "<pre>\n  x", which
  // reads back as none. Such a text is written with the line end that is dropped, so it reads back whole.
  const firstLineEndDropped = 'pre, textarea, listing';

  // node -> its markup (a string), or the entry of an element written in parts:
  // {start, end: its tags; parts: the markup or entry of each child; index: child -> place in parts;
  //  length: of its whole text; changed: the children changed since it was last written; whole: the tags
  //  or the list of children changed}
  const partOf = new WeakMap();
  const splitOf = new WeakMap(); // element -> whether it is written in parts, decided once
  let watcher = null;            // sees every change of the body, whoever made it
  let sentSerial = 0;

  function isSplit(element) {
    let split = splitOf.get(element);
    if (split === undefined) {
      split = element === document.body ||
        (element.namespaceURI === htmlNamespace && !wholeTags.has(element.tagName) &&
         holdsMoreElementsThan(element, SplitAbove));
      splitOf.set(element, split);
    }
    return split;
  }

  // Whether element holds more than Count elements, however deep: counted only as far as that, so that
  // deciding for every element of a long page walks each element about once, not once per element above it.
  function holdsMoreElementsThan(element, count) {
    let seen = 0;
    for (let e = element.firstElementChild; e;) {
      if (++seen > count)
        return true;
      if (e.firstElementChild) {
        e = e.firstElementChild;
        continue;
      }
      while (!e.nextElementSibling) {
        e = e.parentElement;
        if (e === element)
          return false;
      }
      e = e.nextElementSibling;
    }
    return false;
  }

  function escapeText(text) {
    if (!/[&<>\u00a0]/.test(text))
      return text;
    return text.replace(/&/g, '&amp;').replace(/\u00a0/g, '&nbsp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
  }

  function losesFirstLineEnd(element) {
    const first = element.firstChild;
    return first !== null && first.nodeType === Node.TEXT_NODE && /^[\r\n]/.test(first.data) &&
      element.matches(firstLineEndDropped);
  }

  // The element's markup, with the line end browsers drop written again wherever a text starts with one.
  function elementMarkup(element) {
    const markup = element.outerHTML;
    if (markup.indexOf('\n') < 0 ||
        !(losesFirstLineEnd(element) || Array.prototype.some.call(element.querySelectorAll(firstLineEndDropped), losesFirstLineEnd)))
      return markup;
    // Put in on a copy out of the page, which no observer of the page sees changing.
    const copy = element.cloneNode(true);
    for (const e of [copy, ...copy.querySelectorAll(firstLineEndDropped)])
      if (losesFirstLineEnd(e))
        e.firstChild.data = '\n' + e.firstChild.data;
    return copy.outerHTML;
  }

  // The markup of a node whose parent is written in parts (and so never holds text written as it stands).
  function markupOf(node) {
    switch (node.nodeType) {
    case Node.ELEMENT_NODE: return elementMarkup(node);
    case Node.TEXT_NODE: return escapeText(node.data);
    case Node.COMMENT_NODE: return '<!--' + node.data + '-->';
    case Node.PROCESSING_INSTRUCTION_NODE: return '<?' + node.target + ' ' + node.data + '>';
    default: return '';
    }
  }

  function lengthOf(part) {
    return typeof part === 'string' ? part.length : part.length;
  }

  function collectText(part, texts) {
    if (typeof part === 'string') {
      texts.push(part);
      return;
    }
    texts.push(part.start);
    for (const child of part.parts)
      collectText(child, texts);
    texts.push(part.end);
  }

  function textOf(part) {
    const texts = [];
    collectText(part, texts);
    return texts.join('');
  }

  // The part of a node as it is now: its markup, or its entry brought up to date.
  function currentPart(node) {
    let part = partOf.get(node);
    if (part === undefined) {
      part = node.nodeType === Node.ELEMENT_NODE && isSplit(node) ? newEntry(node) : null;
      if (!part)
        part = markupOf(node);
      partOf.set(node, part);
    } else if (typeof part !== 'string') {
      update(part);
    }
    return part;
  }

  // The entry of an element written in parts; null when its tags cannot be told apart from its markup.
  function newEntry(element) {
    const entry = { element: element, start: '', end: '', parts: [], index: new Map(), length: 0,
      changed: new Set(), whole: true };
    return readTags(entry) ? (update(entry), entry) : null;
  }

  function readTags(entry) {
    const markup = entry.element.cloneNode(false).outerHTML;
    const end = '</' + entry.element.localName + '>';
    if (!markup.endsWith(end))
      return false;
    entry.start = markup.slice(0, markup.length - end.length);
    entry.end = end;
    return true;
  }

  // Brings an entry up to date. Answers what changed in its text: null for nothing, true for all of it,
  // else {start, end, text}: the lengths kept at its start and end, and the text between them.
  function update(entry) {
    if (entry.whole) {
      entry.whole = false;
      entry.changed.clear();
      if (!readTags(entry)) {
        // The tags no longer split (cannot happen with the elements split): written whole from now on.
        partOf.set(entry.element, markupOf(entry.element));
        splitOf.set(entry.element, false);
        return true;
      }
      entry.parts = [];
      entry.index = new Map();
      let length = entry.start.length + entry.end.length;
      for (let child = entry.element.firstChild; child; child = child.nextSibling) {
        const part = currentPart(child);
        entry.index.set(child, entry.parts.length);
        entry.parts.push(part);
        length += lengthOf(part);
      }
      entry.length = length;
      return true;
    }
    if (entry.changed.size === 0)
      return null;
    let low = entry.parts.length;
    let high = -1;
    let inner = null;
    for (const child of entry.changed) {
      const at = entry.index.get(child);
      if (at === undefined)
        continue; // no longer a child: the list of children changed, which a later record tells
      const old = entry.parts[at];
      let change;
      if (typeof old === 'string') {
        const part = markupOf(child);
        partOf.set(child, part);
        entry.parts[at] = part;
        entry.length += part.length - old.length;
        change = part === old ? null : true;
      } else {
        const before = old.length;
        change = update(old);
        entry.length += old.length - before;
      }
      if (change === null)
        continue;
      inner = change;
      if (at < low)
        low = at;
      if (at > high)
        high = at;
    }
    entry.changed.clear();
    if (high < 0)
      return null;
    // One child changed in part: the change lies inside it. Else the children from the first to the last
    // changed one are written again.
    let start = entry.start.length;
    for (let i = 0; i < low; ++i)
      start += lengthOf(entry.parts[i]);
    let end = entry.end.length;
    for (let i = high + 1; i < entry.parts.length; ++i)
      end += lengthOf(entry.parts[i]);
    if (low === high && inner !== true)
      return { start: start + inner.start, end: end + inner.end, text: inner.text };
    const texts = [];
    for (let i = low; i <= high; ++i)
      collectText(entry.parts[i], texts);
    return { start: start, end: end, text: texts.join('') };
  }

  // A change is written again in the node it happened to and in every element above it; a node put in
  // (perhaps changed while it was out of the page, where nobody sees it) is written again with all it holds.
  function forgetChanges(records) {
    for (const record of records) {
      let below = null;
      for (let node = record.target; node; below = node, node = node.parentNode) {
        const part = partOf.get(node);
        if (part === undefined)
          continue;
        if (typeof part === 'string')
          partOf.delete(node);
        else if (below === null)
          part.whole = true; // its tags or its list of children
        else
          part.changed.add(below);
      }
      for (const added of record.addedNodes) {
        partOf.delete(added);
        const walker = document.createTreeWalker(added, NodeFilter.SHOW_ALL);
        while (walker.nextNode())
          partOf.delete(walker.currentNode);
      }
    }
  }

  // The body's markup against the text the host holds (Base: the serial it was sent under, 0 for none):
  // the lengths kept from its start and from its end, and the text between. Without a base all of it.
  function bodyText(base, snapshot) {
    const version = (snapshot || core.state(false)).version;
    if (!document.body)
      return null;
    if (!watcher) {
      watcher = new MutationObserver(forgetChanges);
      watcher.observe(document.body, { subtree: true, childList: true, attributes: true, characterData: true });
    } else {
      forgetChanges(watcher.takeRecords());
    }
    const known = base !== 0 && base === sentSerial && partOf.get(document.body) !== undefined;
    const body = partOf.get(document.body);
    let change = body === undefined || typeof body === 'string' ? true : update(body);
    const part = currentPart(document.body);
    if (!known)
      change = true;
    const answer = { serial: ++sentSerial, base: known ? base : 0, keepStart: 0, keepEnd: 0, text: '', version: version };
    if (change === null) {
      answer.keepStart = lengthOf(part);
    } else if (change === true) {
      answer.text = textOf(part);
    } else {
      answer.keepStart = change.start;
      answer.keepEnd = change.end;
      answer.text = change.text;
    }
    return answer;
  }

  runtime.bodyText = function (base) { return bodyText(base); };
  // The same with the page's state, which the host would otherwise ask for first to learn whether anything
  // changed: a save or a switch of views after an edit then costs one round trip less.
  runtime.bodyTextAndState = function (base) {
    const snapshot = core.state(false);
    return { result: bodyText(base, snapshot), state: snapshot };
  };
  // The host's first call on a new page, made with the runtime's start: the placeholders' sizes and the
  // whole body.
  runtime.opened = function (placeholderSheet) {
    runtime.placeholders(placeholderSheet);
    return bodyText(0);
  };
})();
