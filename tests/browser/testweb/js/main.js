import { answer } from './answer.js';
window.moduleAnswer = answer;
