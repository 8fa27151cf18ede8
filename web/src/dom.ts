// Small DOM helpers. Text from the server goes in through textContent only, so a point named like
// markup shows as the characters it is made of.

type Attributes = Record<string, string | number | boolean | undefined>;

/// An element with attributes and, when given, its text. An aria-* attribute takes a boolean as
/// "true" or "false"; any other boolean attribute is there when true and left out when false.
export function el<K extends keyof HTMLElementTagNameMap>(tag: K, attributes: Attributes = {}, text?: string):
    HTMLElementTagNameMap[K] {
  const element = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (value === undefined)
      continue;
    if (name.startsWith('aria-'))
      element.setAttribute(name, String(value));
    else if (value !== false)
      element.setAttribute(name, value === true ? '' : String(value));
  }
  if (text !== undefined)
    element.textContent = text;
  return element;
}

const kSvg = 'http://www.w3.org/2000/svg';

/// The severity marker the desk draws: a red triangle for an alarm, an amber circle for a warning,
/// both outlined, so the shape reads without the colour. The label names it for screen readers.
export function severityMarker(severity: 'alarm' | 'warning', label: string): SVGSVGElement {
  const svg = document.createElementNS(kSvg, 'svg');
  svg.setAttribute('viewBox', '0 0 12 12');
  svg.setAttribute('class', 'marker ' + severity);
  svg.setAttribute('role', 'img');
  svg.setAttribute('aria-label', label);
  const title = document.createElementNS(kSvg, 'title');
  title.textContent = label;
  svg.append(title);
  if (severity === 'alarm') {
    const triangle = document.createElementNS(kSvg, 'polygon');
    triangle.setAttribute('points', '6,1 11.5,11 0.5,11');
    svg.append(triangle);
  } else {
    const circle = document.createElementNS(kSvg, 'circle');
    circle.setAttribute('cx', '6');
    circle.setAttribute('cy', '6');
    circle.setAttribute('r', '5');
    svg.append(circle);
  }
  return svg;
}

/// The label of a severity marker: "Alarm: Forced open".
export function severityLabel(severity: 'alarm' | 'warning', words: string): string {
  const level = severity === 'alarm' ? 'Alarm' : 'Warning';
  return words ? `${level}: ${words}` : level;
}
